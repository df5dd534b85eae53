// Under node, emscripten takes standard streams for terminals whatever they
// are, and the progress meter would write into pipes and files. Ask node.
#include <emscripten.h>
#include <unistd.h>

extern "C" int isatty(int fd) {
    return EM_ASM_INT({
        try {
            return typeof process !== 'undefined' && require('tty').isatty($0) ? 1 : 0;
        } catch (e) {
            return 0;
        }
    }, fd);
}
