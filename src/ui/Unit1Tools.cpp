#include "ui/Unit1.h"

// Maintenance tools.

void TForm1::Button4Click()
{
}

void TForm1::Button5Click()
{
}

void TForm1::Button6Click()
{
}

void TForm1::Button7Click()
{
}

void TForm1::BitBtn3Click()
{
}

void TForm1::CheckBox2Click()
{
}
