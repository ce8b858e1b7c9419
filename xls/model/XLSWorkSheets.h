// IXLSWorkSheets: the ordered collection of a workbook's sheets, with the
// sheet naming rules and the active sheet.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/model/XLSWorksheet.h"

namespace korvel {

class TXLSWorkbook;

class IXLSWorkSheets {
public:
    explicit IXLSWorkSheets(TXLSWorkbook& workbook) : workbook_(workbook) {}
    IXLSWorkSheets(const IXLSWorkSheets&) = delete;
    IXLSWorkSheets& operator=(const IXLSWorkSheets&) = delete;

    int32_t Count() const { return static_cast<int32_t>(sheets_.size()); }
    // Appends a sheet with the next default name; the first sheet is selected.
    IXLSWorksheet& Add() { return *Insert(Count() + 1); }
    // Inserts a new sheet at the 1-based position (1 .. Count() + 1), moving
    // the later sheets up. Returns nullptr for a position outside that range.
    IXLSWorksheet* Insert(int32_t position);
    // The sheet at a 1-based index, or nullptr when index < 1 or > Count().
    IXLSWorksheet* Items(int32_t index) const;
    IXLSWorksheet* ActiveSheet() const { return active_; }
    // SheetId of the first sheet named exactly `name` (case-sensitive); -1 when none.
    int32_t IndexOfName(std::u16string_view name) const;
    // 1-based position of the first sheet with this id; -1 when none.
    int32_t PositionOfSheetId(int32_t sheetId) const;
    // True when name has fewer than 32 code units, none of []:*?/\ and no
    // sheet at another position (any sheet for position 0) has that name.
    bool IsValidSheetName(int32_t position, std::u16string_view name) const;
    // Makes the sheet active; when it was not selected, it becomes the only
    // selected sheet.
    void Select(IXLSWorksheet& sheet);

private:
    friend class IXLSWorksheet;
    // Renames a sheet when the name is valid for its position; keeps the name counts.
    bool RenameSheet(IXLSWorksheet& sheet, std::u16string_view name);
    std::u16string DefaultName() const;

    TXLSWorkbook& workbook_;
    std::vector<std::unique_ptr<IXLSWorksheet>> sheets_;
    IXLSWorksheet* active_ = nullptr;
    int32_t lastSheetId_ = 0;
    // How many sheets carry each name, so that checking a name does not
    // compare it with every sheet (a file may declare very many sheets).
    std::unordered_map<std::u16string, int32_t> nameCounts_;
};

}  // namespace korvel
