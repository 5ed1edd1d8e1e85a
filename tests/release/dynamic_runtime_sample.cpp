// Deliberately linked against the DLL forms of the C++ runtime (libstdc++, libgcc): the sample
// the import check must reject. Built, never run.
#include <stdexcept>
#include <string>

int main(int argc, char** argv) {
    const std::string name = argc > 0 ? argv[0] : "";
    try {
        if (name.size() > 4096) throw std::runtime_error(name);
    } catch (const std::exception& error) {
        return static_cast<int>(std::string(error.what()).size());
    }
    return 0;
}
