#pragma once
// Publishing options for the tests: fast and quiet.

#include <string>

#include "app/publish/publisher.h"
#include "support/temp_dir.h"

namespace kestrow::publish {

// client/ (and patch/) of dir into out, at preset 0 on jobs threads.
inline PublishOptions QuickOptions(const test::TempDir& dir, bool with_patch,
                                   const std::string& out = "www", unsigned jobs = 1) {
    PublishOptions o;
    o.client_dir = dir.File("client");
    o.patch_dir = with_patch ? dir.File("patch") : "";
    o.out_dir = dir.File(out);
    o.base_url = "http://127.0.0.1:1";
    o.preset = 0;
    o.jobs = jobs;
    o.version = "1.0.0.0";
    o.progress = false;
    return o;
}

}  // namespace kestrow::publish
