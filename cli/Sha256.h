// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 of a stream of bytes, fed as they go by (OpenSSL's libcrypto).
#pragma once

#include <cstddef>
#include <string>

struct evp_md_ctx_st;

namespace vorkan::cli {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(const void* data, std::size_t size);
  // The digest of everything added, as 64 lower-case hexadecimal digits;
  // ends the stream.
  std::string Hex();

 private:
  evp_md_ctx_st* context_;
};

// A line of sha256sum's format for `name`, newline included; a name with a
// backslash or a line feed is escaped the way sha256sum escapes it.
std::string ChecksumLine(const std::string& hex, const std::string& name);

}  // namespace vorkan::cli
