// Side-panel pages come from the network: whatever bytes arrive, decoding and
// parsing them must end, without a crash, in at most the allowed number of
// labels, none of them blank.
#include "zentara/ZentaraPage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QList<TZentaraLabel> labels = ParseZentaraPage(ZentaraPageText(bytes));
  if (labels.size() > kZentaraMaxLabels)
    std::abort();
  for (const TZentaraLabel &label : labels) {
    if (label.text.isEmpty() || label.text.front() <= u' ' || label.text.back() <= u' ')
      std::abort();
  }
  return 0;
}
