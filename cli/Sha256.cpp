// SPDX-License-Identifier: GPL-3.0-or-later
#include "Sha256.h"

#include <openssl/evp.h>

#include <new>

namespace vorkan::cli {

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  if (context_ == nullptr || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context_);
    throw std::bad_alloc();
  }
}

Sha256::~Sha256() { EVP_MD_CTX_free(context_); }

void Sha256::Add(const void* data, std::size_t size) { EVP_DigestUpdate(context_, data, size); }

std::string Sha256::Hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_, digest, &length);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned i = 0; i < length; ++i) {
    hex.push_back(kDigits[digest[i] >> 4]);
    hex.push_back(kDigits[digest[i] & 0xF]);
  }
  return hex;
}

std::string ChecksumLine(const std::string& hex, const std::string& name) {
  std::string escaped;
  bool escapes = false;
  for (const char c : name) {
    if (c == '\\' || c == '\n') {
      escaped += c == '\\' ? "\\\\" : "\\n";
      escapes = true;
    } else {
      escaped.push_back(c);
    }
  }
  return (escapes ? "\\" : "") + hex + "  " + escaped + "\n";
}

}  // namespace vorkan::cli
