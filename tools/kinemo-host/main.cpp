// kinemo-host: plays Kinemo scenes headless, and describes and checks a module.
#include <string>
#include <vector>

#include "kinemo-host/commands.h"

int main(int argc, char** argv) { return khost::kinemoHost(std::vector<std::string>(argv + 1, argv + argc)); }
