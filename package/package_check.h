// The check of a whole setup package before anything of it is used: every part that the wizard
// follows lies inside the package, and the file tree agrees with the header's counts.
#pragma once

#include <stdint.h>

// 1 when the `size` bytes at `package` hold a header, every text, entry and stream that the
// wizard reads through its fields (the launcher has checked the wizard library's), and a file
// tree that ends inside them with as many files and bytes as the header says; 0 when the
// package is damaged.
int IsPackageWhole(const unsigned char* package, uint32_t size);
