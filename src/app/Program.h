// The program's entry: command line, then the windowed game or the headless runner.
#pragma once

namespace lr {

int RunProgram(int argc, char** argv);

}  // namespace lr
