// The dialogs' word table: the fill run once at start-up by the utilities unit's set-up.
#include "imaging/io/word_table.h"

namespace calmora {

// The per-language fill procedures arrive with the dialogs that read the table; until then
// every entry stays empty.
void FillWordTable() {}

}  // namespace calmora
