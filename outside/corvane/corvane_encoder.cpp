// CorvaneEnc: the program's five-slot encoder object over Osprel's coder.
//
// Osprel's own interface class has the same name as the program's, so this
// library compiles its private copy of the coder under another class name;
// the two never meet in one link unit.
#define COsprel OsprelCoder
#include "osprel.h"
#undef COsprel

#include <new>

#include "corvane_encoder.h"

namespace {

class CorvaneEncoder final : public COsprel {
 public:
  CorvaneEncoder() : coder_(CreateCOsprel()) {}

  int Reserved() override { return 0; }

  int Init(int width, int height, int quantiser, int /*first*/) override {
    // A quantiser change restarts the coder at the next (intra) picture; the
    // program changes it only before its first frame.
    return coder_ ? coder_->Init(width, height, quantiser) : 0;
  }

  void SetGOP(int period) override {
    if (coder_) coder_->SetGOP(period);
  }

  void Encode(const unsigned char* frame, unsigned char* output, int* bytes, int* intra, int forceIntra) override {
    *bytes = 0;
    *intra = 0;
    if (coder_) coder_->Encode(frame, output, bytes, intra, forceIntra);
  }

  void Release() override {
    if (coder_) coder_->Release();
    delete this;
  }

 private:
  ~CorvaneEncoder() = default;
  OsprelCoder* coder_;
};

static_assert(kCorvaneMaxCodedBytes == OSPREL_MAX_CODED_BYTES, "the published bound follows the coder's");

}  // namespace

extern "C" COsprel* CreateCorvaneEncoder(void) {
  auto* encoder = new (std::nothrow) CorvaneEncoder();
  return encoder;
}
