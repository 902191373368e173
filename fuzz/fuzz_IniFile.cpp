// INI files are hand-edited and copied between machines: whatever bytes one
// holds, reading it must not crash, everything it lists must be found again by
// name, and writes must read back without disturbing the rest of the file.
#include "IniFileInvariants.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QTemporaryDir folder;
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QString broken = IniFileInvariants::Check(bytes, folder.path());
  if (!broken.isEmpty()) {
    std::fprintf(stderr, "IniFile: %s\n", qUtf8Printable(broken));
    std::abort();
  }
  return 0;
}
