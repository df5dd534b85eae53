// kinemo-host: plays Kinemo scenes headless, and describes and checks a module.
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "kinemo-host/commands.h"

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The same bytes as on any other system: no CR added to a line end, none
    // dropped from a scene read from standard input.
    for (int fd : {0, 1, 2}) _setmode(fd, _O_BINARY);
#endif
    return khost::kinemoHost(std::vector<std::string>(argv + 1, argv + argc));
}
