#pragma once

#include <QByteArray>
#include <QtGlobal>

// Start-up is measured in fresh processes: the font database and every cache
// are per process. The benchmark starts itself again with a private argument,
// once for the program on a catalog and once for an empty window of the same
// size, and the child reports when its first window has been painted.
namespace bench {

inline constexpr char kStartUpChildArgument[] = "--start-up-child";
inline constexpr char kProgramChild[] = "korvane";
inline constexpr char kEmptyWindowChild[] = "empty-window";
inline constexpr char kLabelWindowChild[] = "label-window";

// The child's whole life: argv is {self, kStartUpChildArgument, kind, folder}.
// "korvane" runs the program as main() does, with the catalog beside an
// executable placed in folder; "empty-window" shows an empty 1064 x 692 window,
// "label-window" the same window showing one label of text, which pays for
// the font set-up, one font and its glyphs as any window with text does.
int runStartUpChild(int argc, char **argv);

struct StartUpRun
{
    double milliseconds = 0; // from just before the child is spawned to its first window painted
    qint64 maxResidentBytes = 0; // the child's peak resident memory (getrusage)
};

// Spawns one child and waits for it.
StartUpRun startChild(const QByteArray &executable, const char *kind, const QByteArray &folder);

} // namespace bench
