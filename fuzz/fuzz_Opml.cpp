// OPML files come from other readers and from anywhere on the web: whatever
// bytes one holds, reading it must end without a crash, within the caps, and
// what is read must survive being written and read again.
#include "OpmlInvariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QString broken = OpmlInvariants::Check(bytes);
  if (!broken.isEmpty()) {
    std::fprintf(stderr, "Opml: %s\n", qUtf8Printable(broken));
    std::abort();
  }
  return 0;
}
