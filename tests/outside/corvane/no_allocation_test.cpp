// Encoding and decoding a picture allocate nothing: every buffer belongs to
// the objects, made once. This program counts the global allocations (it
// replaces operator new) around each Encode and Decode call after the objects
// exist, for every kind of picture the coder makes.
#include "h263_decoder.h"
#include "osprel.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> g_allocations{0};

// Out of line, so that the compiler pairs no replaced operator with malloc or free.
__attribute__((noinline)) void* Allocate(std::size_t n) {
  ++g_allocations;
  return std::malloc(n ? n : 1);
}
__attribute__((noinline)) void Free(void* p) { std::free(p); }
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }

namespace {

using osprel_test::FrameBytes;

struct Case {
  int w, h, qp, skipRule;
};

// Intra and predicted pictures, still and moving content, noise (escapes,
// intra macroblocks), both skip rules; the output buffers made beforehand.
TEST(NoAllocation, EncodeAndDecodeAllocateNothingPerPicture) {
  const Case cases[] = {{176, 144, 4, OSPREL_SKIP_OWN_RESIDUAL},
                        {352, 288, 1, OSPREL_SKIP_LUMA_ONLY},
                        {720, 576, 8, OSPREL_SKIP_OWN_RESIDUAL},
                        {160, 120, 3, OSPREL_SKIP_OWN_RESIDUAL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    COsprel* e = CreateCOsprel();
    CH263Decoder* d = CreateCorvaneDecoder();
    ASSERT_NE(e, nullptr);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(e->Init(c.w, c.h, c.qp), 1);
    ASSERT_EQ(OsprelSetSkipRule(e, c.skipRule), 1);
    e->SetGOP(4);
    ASSERT_EQ(d->Init(0), 1);
    std::vector<uint8_t> frame(FrameBytes(c.w, c.h)), coded(OSPREL_MAX_PICTURE_BYTES(c.w, c.h)),
        picture(kH263MaxPictureBytes);
    for (int t = 0; t < 9; ++t) {
      if (t == 6)
        osprel_test::NoiseFrame(c.w, c.h, 5u, frame.data());
      else
        osprel_test::MovingScene(c.w, c.h, t < 3 ? 0 : t, frame.data());
      const long before = g_allocations.load();
      int bytes = 0, intra = 0;
      unsigned char* internal = nullptr;
      if (t % 2)
        e->Encode(frame.data(), coded.data(), &bytes, &intra, 0);
      else
        e->EncodeToInternal(frame.data(), &internal, &bytes, &intra, 0);
      const int decoded = d->Decode(t % 2 ? coded.data() : internal, picture.data(), bytes);
      EXPECT_EQ(g_allocations.load(), before) << "picture " << t;
      EXPECT_EQ(decoded, 1) << "picture " << t;
    }
    d->Release();
    e->Release();
  }
}

}  // namespace
