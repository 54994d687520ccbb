// The program's icon, drawn in code.
#pragma once

#include <QIcon>

QIcon AppIcon();
