// The function-block tests of an open board, in the order they run. Each
// leaves the board as it found it (transfers off, waits broken, outputs and
// watchdog back at rest), whether it passes or not.
#pragma once

#include "board_under_test.h"

void TestVideoCapture(BoardUnderTest& board);
void TestFrameSlots(BoardUnderTest& board);
void TestCompression(BoardUnderTest& board);
void TestAudioCapture(BoardUnderTest& board);
void TestAudioPlayback(BoardUnderTest& board);
void TestLiveDisplay(BoardUnderTest& board);
void TestScreenDivision(BoardUnderTest& board);
void TestSerialPort(BoardUnderTest& board);
void TestDigitalIo(BoardUnderTest& board);
void TestWatchdog(BoardUnderTest& board);
void TestEeprom(BoardUnderTest& board);
