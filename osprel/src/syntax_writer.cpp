#include "syntax_writer.h"

#include "quantiser.h"
#include "vlc_tables.h"

namespace osprel {

void WritePictureHeader(BitWriter& w, int temporalReference, int formatCode, int pictureType, int qp) {
  w.Put(17, 1);  // picture start code
  w.Put(5, 0);   // group number
  w.Put(8, static_cast<uint32_t>(temporalReference));
  w.Put(2, 2);  // PTYPE: 1, 0
  w.Put(3, 0);  // split screen, document camera, freeze release
  w.Put(5, static_cast<uint32_t>(formatCode));
  w.Put(1, static_cast<uint32_t>(pictureType));
  w.Put(4, 0);  // no optional modes
  w.Put(5, static_cast<uint32_t>(qp));
  w.Put(2, 0);  // CPM, PEI
}

void WriteMacroblockHeader(BitWriter& w, int mbType, int cbp, bool pPicture) {
  if (pPicture) w.Put(1, 0);  // COD: coded
  const int cbpc = cbp & 3, cbpy = cbp >> 2;
  const Vlc m = pPicture ? kMcbpcP[8 * cbpc + mbType] : kMcbpcI[4 * cbpc + 1];
  w.Put(m.len, m.code);
  const Vlc c = kCbpy[mbType == 3 ? cbpy : (cbpy ^ 15)];
  w.Put(c.len, c.code);
}

void WriteVectorDifference(BitWriter& w, int d) {
  if (d < -32)
    d += 64;
  else if (d >= 32)
    d -= 64;
  const int k = d >= 0 ? d : d + 64;
  const Vlc v = kMvd[k < 32 ? k : 64 - k];
  w.Put(v.len, v.code);
  if (k != 0) w.Put(1, k >= 32 ? 1 : 0);
}

namespace {

inline void WriteEvent(BitWriter& w, int last, int run, int level) {
  const int a = level < 0 ? -level : level;
  if (a <= kMaxCodedLevel) {
    const Vlc v = kTcoef.v[last][run][a];
    if (v.len) {
      w.Put(v.len + 1, (static_cast<uint32_t>(v.code) << 1) | (level < 0 ? 1u : 0u));
      return;
    }
  }
  // Escape 0000011, LAST, RUN (6 bits), LEVEL (8 bits, two's complement) as one 22-bit write.
  w.Put(22, (3u << 15) | (static_cast<uint32_t>(last) << 14) | (static_cast<uint32_t>(run) << 8) |
                (static_cast<uint32_t>(level) & 255u));
}

}  // namespace

void WriteBlockEvents(BitWriter& stream, const int16_t* scan, int start) {
  BitWriter w = stream;  // a local copy stays in registers across the events
  uint64_t mask = NonzeroMask(scan) & (~0ull << start);
  int next = start;  // scan position after the previous level
  while (mask) {
    const int pos = __builtin_ctzll(mask);
    mask &= mask - 1;
    WriteEvent(w, mask == 0 ? 1 : 0, pos - next, scan[pos]);
    next = pos + 1;
  }
  stream = w;
}

void WriteIntraDc(BitWriter& w, int level) { w.Put(8, level == 128 ? 255u : static_cast<uint32_t>(level)); }

}  // namespace osprel
