// The drawing group of a workbook without drawings: the body of its
// MSODRAWINGGROUP record, an OfficeArt drawing-group container ([MS-ODRAW]
// 2.2.12 OfficeArtDggContainer) holding only the drawing-group block with an
// empty cluster table (2.2.48 OfficeArtFDGGBlock) and the default shape
// properties (2.2.9 OfficeArtFOPT: fill colour, line colour, text fitting).
#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

// Appends the 58-byte container to out.
void AppendEmptyDrawingGroup(std::vector<uint8_t>& out);

}  // namespace korvel
