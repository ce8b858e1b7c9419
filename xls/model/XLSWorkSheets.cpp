#include "xls/model/XLSWorkSheets.h"

#include "xls/model/XLSWorkbook.h"

namespace korvel {

IXLSWorksheet* IXLSWorkSheets::Insert(int32_t position) {
    if (position < 1 || position > Count() + 1) return nullptr;
    std::u16string name = DefaultName();
    auto sheet = std::make_unique<IXLSWorksheet>(workbook_, ++lastSheetId_);
    ++nameCounts_[name];
    sheet->name_ = std::move(name);
    IXLSWorksheet* added = sheet.get();
    sheets_.insert(sheets_.begin() + (position - 1), std::move(sheet));
    for (int32_t i = position - 1; i < Count(); ++i) sheets_[static_cast<size_t>(i)]->index_ = i + 1;
    if (Count() == 1) Select(*added);
    return added;
}

// DefaultSheetName followed by Count + 1, moved on while the name is taken.
std::u16string IXLSWorkSheets::DefaultName() const {
    for (int64_t number = Count() + 1;; ++number) {
        std::u16string candidate = workbook_.DefaultSheetName();
        for (char c : std::to_string(number)) candidate.push_back(static_cast<char16_t>(c));
        if (IsValidSheetName(0, candidate)) return candidate;
    }
}

IXLSWorksheet* IXLSWorkSheets::Items(int32_t index) const {
    if (index < 1 || index > Count()) return nullptr;
    return sheets_[static_cast<size_t>(index - 1)].get();
}

int32_t IXLSWorkSheets::IndexOfName(std::u16string_view name) const {
    for (const auto& sheet : sheets_) {
        if (sheet->Name() == name) return sheet->SheetId() > 0 ? sheet->SheetId() : -1;
    }
    return -1;
}

int32_t IXLSWorkSheets::PositionOfSheetId(int32_t sheetId) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (sheets_[static_cast<size_t>(i)]->SheetId() == sheetId) return i + 1;
    return -1;
}

bool IXLSWorkSheets::IsValidSheetName(int32_t position, std::u16string_view name) const {
    if (name.size() >= 32) return false;
    if (name.find_first_of(u"[:*?/\\]") != std::u16string_view::npos) return false;
    auto found = nameCounts_.find(std::u16string(name));
    int32_t holders = found != nameCounts_.end() ? found->second : 0;
    // The sheet at `position` itself does not count as a clash.
    IXLSWorksheet* own = Items(position);
    if (own != nullptr && own->Name() == name) --holders;
    return holders == 0;
}

bool IXLSWorkSheets::RenameSheet(IXLSWorksheet& sheet, std::u16string_view name) {
    if (!IsValidSheetName(sheet.Index(), name)) return false;
    auto old = nameCounts_.find(sheet.name_);
    if (old != nameCounts_.end() && --old->second == 0) nameCounts_.erase(old);
    sheet.name_.assign(name);
    ++nameCounts_[sheet.name_];
    return true;
}

void IXLSWorkSheets::Select(IXLSWorksheet& sheet) {
    if (!sheet.Selected()) {
        for (auto& other : sheets_) other->selected_ = false;
        sheet.selected_ = true;
    }
    active_ = &sheet;
}

}  // namespace korvel
