// The recordings in a folder that do not end with a complete record.
#pragma once

#include <QDir>
#include <string>
#include <vector>

// Every .MJP and .PCM file in directory that cannot be opened, whose video
// records do not run whole to its end, or whose audio samples are not whole
// deliveries of a board, named with what is wrong with it.
std::vector<std::string> BrokenRecordings(const QDir& directory);
