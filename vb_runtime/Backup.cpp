// Backup copies of files before they are rewritten.
#include "vb_runtime/Backup.h"

#include <string>

#include "vb_runtime/FileAccess.h"

namespace vb {

Text FreeBackupName(const Text& path) {
    const Text base = path + u".bak";
    Text name = base;
    for (int n = 1; PathExists(name); ++n) {
        const std::string number = std::to_string(n);
        name = base + u"." + Text(number.begin(), number.end());
    }
    return name;
}

Text WriteBackup(const Text& path, std::string_view originalBytes) {
    const Text name = FreeBackupName(path);
    WriteFileBytes(name, originalBytes);
    return name;
}

}  // namespace vb
