#include "KvBoardHugePages.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

void kvboardUseHugePages(char **argv)
{
#if defined(__linux__) && defined(__GLIBC__)
    static const char kTunable[] = "glibc.malloc.hugetlb";
    const char *tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables && std::strstr(tunables, kTunable))
        return;
    std::string value = std::string(kTunable) + "=1";
    if (tunables && *tunables)
        value = std::string(tunables) + ':' + value;
    if (::setenv("GLIBC_TUNABLES", value.c_str(), 1) == 0)
        ::execv("/proc/self/exe", argv);
#else
    (void)argv;
#endif
}
