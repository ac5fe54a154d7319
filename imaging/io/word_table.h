// The dialogs' word table: the fill run once at start-up (the lookup and the setter join it here).
// The table's storage is the process-wide MsgWordTable of the shared definitions.
#pragma once

namespace calmora {

void FillWordTable();

}  // namespace calmora
