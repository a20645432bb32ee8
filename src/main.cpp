// Lava Rumble.
#include "app/Program.h"

int main(int argc, char** argv) { return lr::RunProgram(argc, argv); }
