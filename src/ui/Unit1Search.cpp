#include "ui/Unit1.h"

// Part search.

void TForm1::savnamKeyPress(QChar)
{
}

void TForm1::findKeyPress(QChar)
{
}

void TForm1::findDblClick()
{
}

void TForm1::CheckBox1Click()
{
}
