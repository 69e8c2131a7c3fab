#include "ui/Unit1.h"

#include "catalog/PartSearch.h"
#include "platform/PartListBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <optional>

// Part search: the prefix search of savnam, and the substring search of the
// edit find, which nothing shows.

using namespace korvane;

void TForm1::SelectPartByPrefix(const QString &Text)
{
    fl1->selectFirstLineStartingWith(Text);
}

void TForm1::savnamKeyPress(QChar)
{
    // Runs before the edit applies the key, so it searches the text as it was:
    // the search lags one key behind the typing.
    SelectPartByPrefix(savnam->text());
}

void TForm1::findKeyPress(QChar Key)
{
    if (Key == QChar(13) && find->text().isEmpty())
        find->hide();
    if (!find->text().isEmpty())
        fl1->viewport()->update();

    // Every line found is selected in turn, each scrolled into view as it
    // comes: the last one found ends selected.
    const CatalogLines &lines = fl1->catalogLines();
    SubstringScan scan(lines, fl1->selectedIndex(), find->text());
    while (const std::optional<int> found = scan.next()) {
        fl1->selectLine(*found);
        Label1->setText(lines.line(*found));
    }
}

void TForm1::findDblClick()
{
    find->setText(QString());
}

void TForm1::CheckBox1Click()
{
    if (CheckBox1->isChecked()) {
        find->show();
    } else {
        savnam->show();
        find->hide();
    }
}
