// The Windows build of pellucid-host has no page server: the HTTP library it is built on
// comes from Debian for Linux only.
#include <cstdio>

#include "host/serve/serve.h"

namespace host::serve {

int Main(int, char**) {
    std::fputs("pellucid-host: this build cannot serve the page; serve is in the Linux build\n", stderr);
    return 2;
}

}  // namespace host::serve
