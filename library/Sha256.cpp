#include "library/Sha256.h"

Sha256::Sha256() {
  sha256_init(&context_);
}

void Sha256::Update(std::span<const std::uint8_t> bytes) {
  sha256_update(&context_, bytes.size(), bytes.data());
}

Sha256::Digest Sha256::Finish() {
  Digest digest;
  sha256_digest(&context_, digest.size(), digest.data());
  return digest;
}

Sha256::Digest Sha256::Of(std::span<const std::uint8_t> bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}
