// Writers of the picture, macroblock and block layers of the bit stream.
#ifndef OSPREL_SYNTAX_WRITER_H
#define OSPREL_SYNTAX_WRITER_H

#include "bit_writer.h"

#include <cstdint>

namespace osprel {

// 52-bit picture header with the 5-bit format code; pictureType 0 INTRA, 1 INTER.
void WritePictureHeader(BitWriter& w, int temporalReference, int formatCode, int pictureType, int qp);

// COD (P pictures), MCBPC and CBPY of a coded macroblock; cbp has Y0 = 32 .. Cb = 2, Cr = 1.
void WriteMacroblockHeader(BitWriter& w, int mbType, int cbp, bool pPicture);

// One component of a motion vector difference in half-pels, wrapped into -32..31.
void WriteVectorDifference(BitWriter& w, int d);

// Run-length events of the levels in scan order from position start
// (1 after an intra DC, 0 for inter blocks). Levels are within -127..127.
void WriteBlockEvents(BitWriter& w, const int16_t* scan, int start);

// 8-bit intra DC level 1..254, 128 written as 255.
void WriteIntraDc(BitWriter& w, int level);

}  // namespace osprel

#endif
