#pragma once

#include <nettle/sha2.h>

#include <array>
#include <cstdint>
#include <span>

// SHA-256: the fingerprint that tells two program images apart, computed by nettle (which uses
// the processor's SHA extensions where it has them).
class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, SHA256_DIGEST_SIZE>;

  Sha256();
  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given; the object starts afresh afterwards.
  Digest Finish();

  static Digest Of(std::span<const std::uint8_t> bytes);

 private:
  sha256_ctx context_;
};
