#include "ui/Unit1.h"

// Exploded views and hotspots.

void TForm1::exviewChange()
{
}

void TForm1::SpeedButton1Click()
{
}

void TForm1::logoMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
}

void TForm1::testClick()
{
}
