// Every test program keeps its settings in a registry file of its own process,
// made empty at start and removed at the end: CTest runs the cases of one
// program in parallel processes, and no case may see what another wrote, nor
// the settings of the user running the tests.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

class ProcessRegistry {
public:
    ProcessRegistry()
        : m_file(std::filesystem::temp_directory_path() /
                 ("ostrand-test-registry-" + std::to_string(::getpid()) + ".ini")) {
        std::error_code ignored;
        std::filesystem::remove(m_file, ignored);
        ::setenv("OSTRAND_REGISTRY", m_file.c_str(), 1);
    }
    ~ProcessRegistry() {
        std::error_code ignored;
        std::filesystem::remove(m_file, ignored);
    }

private:
    std::filesystem::path m_file;
};

const ProcessRegistry processRegistry;

} // namespace
