// Reads the manifest's [version] table: the vendor's texts for Setup.exe's version record and
// the version number that Windows keeps in it.
#pragma once

#include "manifest.h"
#include "manifest_table.h"

namespace quillset {

// Every key is optional; throws ManifestError at the line of a value that cannot be stored.
ManifestVersion ReadVersionTable(ManifestTable& table);

}  // namespace quillset
