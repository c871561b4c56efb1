#include "library/Sha256.h"

#include <algorithm>

// The processor's SHA instructions, where the build targets x86 (the rest uses the plain code).
#if defined(__x86_64__) || defined(__i386__)
#define CORVALE_SHA_EXTENSIONS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitialState{
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::uint32_t RotateRight(std::uint32_t value, int bits) {
  return (value >> bits) | (value << (32 - bits));
}

std::uint32_t BigEndianWord(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// One block with the SHA extensions: four rounds per step, the message schedule four words
// at a time in the four vectors of `w`.
#ifdef CORVALE_SHA_EXTENSIONS
__attribute__((target("sha,sse4.1"))) void CompressWithExtensions(std::uint32_t* state,
                                                                  const std::uint8_t* block) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  const __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<__m128i*>(state)), 0xB1);
  const __m128i efgh =
      _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<__m128i*>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(dcba, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, dcba, 0xF0);
  const __m128i abefSaved = abef;
  const __m128i cdghSaved = cdgh;
  __m128i w[4];
  for (int step = 0; step < 16; ++step) {
    __m128i& current = w[step % 4];
    if (step < 4) {
      current = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * step)), byteSwap);
    }
    __m128i message = _mm_add_epi32(
        current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * step])));
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
    if (step >= 3 && step <= 14) {
      __m128i& next = w[(step + 1) % 4];
      next = _mm_add_epi32(next, _mm_alignr_epi8(current, w[(step + 3) % 4], 4));
      next = _mm_sha256msg2_epu32(next, current);
    }
    message = _mm_shuffle_epi32(message, 0x0E);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
    if (step >= 1 && step <= 12)
      w[(step + 3) % 4] = _mm_sha256msg1_epu32(w[(step + 3) % 4], current);
  }
  abef = _mm_add_epi32(abef, abefSaved);
  cdgh = _mm_add_epi32(cdgh, cdghSaved);
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool HasShaExtensions() {
  static const bool has = [] {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    constexpr unsigned kSse41 = 1u << 19;  // leaf 1, ecx
    constexpr unsigned kSha = 1u << 29;    // leaf 7, ebx
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & kSse41))
      return false;
    return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & kSha);
  }();
  return has;
}
#else
bool HasShaExtensions() {
  return false;
}
void CompressWithExtensions(std::uint32_t*, const std::uint8_t*) {}
#endif

}  // namespace

Sha256::Sha256(Engine engine)
    : useExtensions_(engine == Engine::Fastest && HasShaExtensions()), state_(kInitialState) {}

void Sha256::Compress(const std::uint8_t* block) {
  if (useExtensions_) {
    CompressWithExtensions(state_.data(), block);
    return;
  }
  std::array<std::uint32_t, 64> w;
  for (int i = 0; i < 16; ++i)
    w[i] = BigEndianWord(block + 4 * i);
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 =
        RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 =
        RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  auto [a, b, c, d, e, f, g, h] = state_;
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t s1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
    const std::uint32_t choice = (e & f) ^ (~e & g);
    const std::uint32_t t1 = h + s1 + choice + kRoundConstants[i] + w[i];
    const std::uint32_t s0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
    const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + s0 + majority;
  }
  const std::array<std::uint32_t, 8> add{a, b, c, d, e, f, g, h};
  for (int i = 0; i < 8; ++i)
    state_[i] += add[i];
}

void Sha256::Update(std::span<const std::uint8_t> bytes) {
  totalBytes_ += bytes.size();
  while (!bytes.empty()) {
    if (pendingSize_ == 0 && bytes.size() >= pending_.size()) {
      Compress(bytes.data());
      bytes = bytes.subspan(pending_.size());
      continue;
    }
    const std::size_t taken = std::min(bytes.size(), pending_.size() - pendingSize_);
    std::copy_n(bytes.begin(), taken, pending_.begin() + pendingSize_);
    pendingSize_ += taken;
    bytes = bytes.subspan(taken);
    if (pendingSize_ == pending_.size()) {
      Compress(pending_.data());
      pendingSize_ = 0;
    }
  }
}

Sha256::Digest Sha256::Finish() {
  const std::uint64_t bitLength = totalBytes_ * 8;
  const std::uint8_t one = 0x80;
  Update({&one, 1});
  const std::uint8_t zero = 0;
  while (pendingSize_ != 56)
    Update({&zero, 1});
  std::array<std::uint8_t, 8> length;
  for (int i = 0; i < 8; ++i)
    length[i] = static_cast<std::uint8_t>(bitLength >> (56 - 8 * i));
  Update(length);
  Digest digest;
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j)
      digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
  }
  return digest;
}

Sha256::Digest Sha256::Of(std::span<const std::uint8_t> bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}
