#pragma once
// The two halves of an update run done by other means, as the references the
// pipeline is measured against.

#include <string>

#include "fixture.h"

namespace kestrow::bench {

// Downloads every archive of the fixture from base_url ("http://host:port",
// the served root) into dir with two threads, each with one kept-alive
// libcurl handle, largest file first. Returns the seconds taken.
double DownloadArchives(const Fixture& fixture, const std::string& base_url,
                        const std::string& dir);

// Unpacks the archives DownloadArchives left in dir with `processes`
// `xz --format=lzma -d` processes side by side, each file after file, each
// file into a file beside its archive (which xz deletes, as the extract
// worker does). The files are dealt out largest first to the process with
// the least work so far. Returns the seconds until the last one ended.
double UnpackArchives(const Fixture& fixture, const std::string& dir, int processes = 1);

}  // namespace kestrow::bench
