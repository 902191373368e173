// Stored values come from INI lines and side files anyone can edit: whatever
// they hold, decoding must not crash or leave the data folder, and a value
// read and saved again must read the same.
#include "StoredValueInvariants.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QTemporaryDir root;
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QString broken = StoredValueInvariants::Check(bytes, root.path());
  if (!broken.isEmpty()) {
    std::fprintf(stderr, "StoredValue: %s\n", qUtf8Printable(broken));
    std::abort();
  }
  return 0;
}
