// A plain terminate handler: the library's verbose one pulls in the symbol demangler, which
// would add about a third to the size of Setup.exe.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
