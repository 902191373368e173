#pragma once

#include "platform/HttpClient.h"

#include <functional>

// A transfer the GUI thread waits for: it runs on a thread of its own while
// the windows keep painting under the hourglass, and is cut off, with
// THttpOutcome::Aborted, as soon as `stop` turns true.
THttpResult TransferAside(const THttpOptions &options, const QString &url, const QString &fileName,
                          const std::function<bool()> &stop);
