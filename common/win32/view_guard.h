// A decompress callback run into a file's mapped view with a guard on the view's own pages,
// so that a disk that fills while the view is written fails the call instead of the process.
#pragma once

#include "package/wizard_interface.h"

enum ViewInflation {
    VIEW_STREAM_FAILED = 0,     // the stream did not decode completely
    VIEW_INFLATED = 1,
    VIEW_FAULTED = 2,           // a page of the view could not be written out: the disk is full or gone
};

ViewInflation InflateIntoView(DecompressCallback decompress, const unsigned char* source,
                              unsigned int sourceLength, unsigned char* view, unsigned int viewSize);
