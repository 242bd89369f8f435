// "zorvan-host guide": the guide for writers, made by running its scenarios against the real
// module and drawing what each command did.
#pragma once

#include <string>
#include <vector>

#include "host/cli/scenario_files.h"

namespace zvhost {

// Arguments after "guide": [--module PATH] --output FILE DIR. Runs every DIR/*.zvs (in name
// order) in a freshly started host and writes one HTML file. Returns 0 when written; 1 when a
// scenario's expectation failed, a step could not be carried out, a guide note is wrong (a
// picture without a caption, a section for a command the menu lacks) or a command of the
// module's menu has no section (nothing is written then); 2 for a usage error, a module that
// could not be started or an output that cannot be written.
int RunGuide(const std::vector<std::string>& args, const Output& out, const Output& err);

// The change lines of a step's transcript in words for a picture's text alternative:
// "sun.x: 300pt -> 330.1234567pt" gives "sun x from 300 pt to 330.12 pt".
std::string ChangeWords(const std::string& transcript);

}  // namespace zvhost
