#include "ui/Unit1.h"

// Part selection and the part photo.

void TForm1::fl1Click()
{
}
