// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the tolvane-render binary in a scratch folder as a user would.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "TestAudio.h"

namespace tolvane_test {

struct RunResult {
    int status = -1;
    std::string output; // stdout and stderr
};

inline RunResult runRender(const ScratchDir& dir, const std::string& args, bool stderrOnly = false)
{
    const std::string log = dir / "render.log";
    const std::string redirect = stderrOnly ? " 2> '" + log + "' > /dev/null" : " > '" + log + "' 2>&1";
    const std::string command = "cd '" + dir.path.string() + "' && '" TOLVANE_RENDER_PATH "' " + args + redirect;
    const int raw = std::system(command.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    r.output = text.str();
    std::filesystem::remove(log);
    return r;
}

} // namespace tolvane_test
