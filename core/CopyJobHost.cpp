// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyJobHost.h"

#include <poll.h>

#include <cerrno>

namespace vorkan {

bool CopyJobHost::WaitForDescriptor(int fd) {
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
  }
  return true;
}

std::int32_t PercentOfProgress(std::int32_t maximum, std::int32_t position) {
  if (maximum <= 0) return 0;
  if (position < 0) position = 0;
  if (position > maximum) position = maximum;
  return static_cast<std::int32_t>(static_cast<std::int64_t>(position) * 100 / maximum);
}

}  // namespace vorkan
