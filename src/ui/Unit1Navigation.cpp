#include "ui/Unit1.h"

// Catalog navigation: manufacturer, model and group drop-downs.

void TForm1::ManufacturerChange()
{
}

void TForm1::ModelChange()
{
}

void TForm1::Button2Click()
{
}

void TForm1::loadgroupClick()
{
}

void TForm1::GroupChange()
{
}

void TForm1::CurrentGroupChange()
{
}

void TForm1::Panel1Click()
{
}
