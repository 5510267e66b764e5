// Where the services' notes go.
#include "platform/service_notes.h"

#include <atomic>

namespace {
std::atomic<ServiceNoteSink> g_sink{nullptr};
}  // namespace

void SetServiceNoteSink(ServiceNoteSink sink) { g_sink = sink; }

void WriteServiceNote(const std::string& utf8) {
  if (ServiceNoteSink sink = g_sink.load()) sink(utf8);
}
