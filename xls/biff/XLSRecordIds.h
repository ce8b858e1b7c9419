// Record identifiers of the BIFF5/BIFF8 workbook stream ([MS-XLS] 2.3), kept in
// one table so that the writers, the readers and the record dumper agree on
// every number and name.
#pragma once

#include <cstdint>

namespace korvel {

// X(name, id): every record this system writes, reads or names in a dump.
#define KORVEL_XLS_RECORD_TABLE(X)      \
    X(FORMULA, 0x0006)                  \
    X(EOF, 0x000A)                      \
    X(CALCCOUNT, 0x000C)                \
    X(CALCMODE, 0x000D)                 \
    X(PRECISION, 0x000E)                \
    X(REFMODE, 0x000F)                  \
    X(DELTA, 0x0010)                    \
    X(ITERATION, 0x0011)                \
    X(PROTECT, 0x0012)                  \
    X(PASSWORD, 0x0013)                 \
    X(HEADER, 0x0014)                   \
    X(FOOTER, 0x0015)                   \
    X(EXTERNCOUNT, 0x0016)              \
    X(EXTERNSHEET, 0x0017)              \
    X(NAME, 0x0018)                     \
    X(WINDOWPROTECT, 0x0019)            \
    X(VERTICALPAGEBREAKS, 0x001A)       \
    X(HORIZONTALPAGEBREAKS, 0x001B)     \
    X(NOTE, 0x001C)                     \
    X(SELECTION, 0x001D)                \
    X(FORMAT_BIFF2, 0x001E)             \
    X(DATEMODE, 0x0022)                 \
    X(EXTERNNAME, 0x0023)               \
    X(LEFTMARGIN, 0x0026)               \
    X(RIGHTMARGIN, 0x0027)              \
    X(TOPMARGIN, 0x0028)                \
    X(BOTTOMMARGIN, 0x0029)             \
    X(PRINTHEADERS, 0x002A)             \
    X(PRINTGRIDLINES, 0x002B)           \
    X(FILEPASS, 0x002F)                 \
    X(FONT, 0x0031)                     \
    X(CONTINUE, 0x003C)                 \
    X(WINDOW1, 0x003D)                  \
    X(BACKUP, 0x0040)                   \
    X(PANE, 0x0041)                     \
    X(CODEPAGE, 0x0042)                 \
    X(DCONREF, 0x0051)                  \
    X(DEFCOLWIDTH, 0x0055)              \
    X(XCT, 0x0059)                      \
    X(CRN, 0x005A)                      \
    X(WRITEACCESS, 0x005C)              \
    X(OBJ, 0x005D)                      \
    X(SAVERECALC, 0x005F)               \
    X(OBJPROTECT, 0x0063)               \
    X(COLINFO, 0x007D)                  \
    X(RK_BIFF2, 0x007E)                 \
    X(GUTS, 0x0080)                     \
    X(WSBOOL, 0x0081)                   \
    X(GRIDSET, 0x0082)                  \
    X(HCENTER, 0x0083)                  \
    X(VCENTER, 0x0084)                  \
    X(BOUNDSHEET, 0x0085)               \
    X(WRITEPROT, 0x0086)                \
    X(COUNTRY, 0x008C)                  \
    X(HIDEOBJ, 0x008D)                  \
    X(SORT, 0x0090)                     \
    X(PALETTE, 0x0092)                  \
    X(STANDARDWIDTH, 0x0099)            \
    X(FNGROUPCOUNT, 0x009C)             \
    X(AUTOFILTERINFO, 0x009D)           \
    X(AUTOFILTER, 0x009E)               \
    X(SCL, 0x00A0)                      \
    X(SETUP, 0x00A1)                    \
    X(MMS, 0x00C1)                      \
    X(MULRK, 0x00BD)                    \
    X(MULBLANK, 0x00BE)                 \
    X(RSTRING, 0x00D6)                  \
    X(DBCELL, 0x00D7)                   \
    X(OBJPROJ, 0x00D3)                  \
    X(BOOKBOOL, 0x00DA)                 \
    X(XF, 0x00E0)                       \
    X(INTERFACEHDR, 0x00E1)             \
    X(INTERFACEEND, 0x00E2)             \
    X(MERGEDCELLS, 0x00E5)              \
    X(MSODRAWINGGROUP, 0x00EB)          \
    X(MSODRAWING, 0x00EC)               \
    X(MSODRAWINGSELECTION, 0x00ED)      \
    X(SST, 0x00FC)                      \
    X(LABELSST, 0x00FD)                 \
    X(EXTSST, 0x00FF)                   \
    X(TABID, 0x013D)                    \
    X(USESELFS, 0x0160)                 \
    X(DSF, 0x0161)                      \
    X(SUPBOOK, 0x01AE)                  \
    X(PROT4REV, 0x01AF)                 \
    X(CONDFMT, 0x01B0)                  \
    X(CF, 0x01B1)                       \
    X(DVAL, 0x01B2)                     \
    X(TXO, 0x01B6)                      \
    X(HLINK, 0x01B8)                    \
    X(CODENAME, 0x01BA)                 \
    X(DV, 0x01BE)                       \
    X(RECALCID, 0x01C1)                 \
    X(DIMENSIONS, 0x0200)               \
    X(BLANK, 0x0201)                    \
    X(NUMBER, 0x0203)                   \
    X(LABEL, 0x0204)                    \
    X(BOOLERR, 0x0205)                  \
    X(STRING, 0x0207)                   \
    X(ROW, 0x0208)                      \
    X(INDEX, 0x020B)                    \
    X(ARRAY, 0x0221)                    \
    X(DEFAULTROWHEIGHT, 0x0225)         \
    X(WINDOW2, 0x023E)                  \
    X(RK, 0x027E)                       \
    X(STYLE, 0x0293)                    \
    X(FORMULA_BIFF4, 0x0406)            \
    X(FORMAT, 0x041E)                   \
    X(SHRFMLA, 0x04BC)                  \
    X(BOF, 0x0809)                      \
    X(BOOKEXT, 0x0863)                  \
    X(SHEETPROTECTION, 0x0867)

// XLSRecordId::kFONT, XLSRecordId::kSST, ... (the k keeps EOF clear of the C macro).
namespace XLSRecordId {
#define KORVEL_XLS_RECORD_CONSTANT(name, id) inline constexpr uint16_t k##name = id;
KORVEL_XLS_RECORD_TABLE(KORVEL_XLS_RECORD_CONSTANT)
#undef KORVEL_XLS_RECORD_CONSTANT
}  // namespace XLSRecordId

// The record's name from the table ("SST"), or nullptr for an id it lacks.
const char* XLSRecordName(uint16_t id);

}  // namespace korvel
