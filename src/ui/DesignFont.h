#pragma once

#include <QFont>

// The windows were designed around "MS Sans Serif" at fixed pixel heights;
// where it is missing, the closest sans font installed takes its place.
QFont designFont(int pixelHeight, bool bold);
