#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// SHA-256 (FIPS 180-4): the fingerprint that tells two program images apart. Where the
// processor has the SHA extensions, they compress the blocks (about ten times faster).
class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;
  enum class Engine { Portable, Fastest };

  explicit Sha256(Engine engine = Engine::Fastest);
  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given; the object is spent afterwards.
  Digest Finish();

  static Digest Of(std::span<const std::uint8_t> bytes);

 private:
  void Compress(const std::uint8_t* block);

  bool useExtensions_;
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t totalBytes_ = 0;
};
