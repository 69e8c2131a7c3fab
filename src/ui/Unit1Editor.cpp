#include "ui/Unit1.h"

// New-part editor.

void TForm1::newcomboEnter()
{
}

void TForm1::newcomboChange()
{
}

void TForm1::newcomboKeyPress(QChar)
{
}

void TForm1::newCodeKeyPress(QChar)
{
}

void TForm1::newnameKeyPress(QChar)
{
}

void TForm1::newcommentKeyPress(QChar)
{
}

void TForm1::newpicClick()
{
}

void TForm1::newsaveKeyPress(QChar)
{
}

void TForm1::newsaveClick()
{
}
