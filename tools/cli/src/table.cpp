#include "table.h"

#include <algorithm>

namespace vexa::cli {
namespace {

constexpr std::size_t kColumnGap = 2;

std::string trimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

void Table::row(std::vector<std::string> cells) {
  cells.resize(columns_.size());
  rows_.push_back(std::move(cells));
}

void Table::print(std::ostream& out, const std::string& indent) const {
  std::vector<std::size_t> widths;
  for (const Column& c : columns_) widths.push_back(c.header.size());
  for (const auto& r : rows_) {
    for (std::size_t i = 0; i < r.size(); ++i) widths[i] = std::max(widths[i], r[i].size());
  }
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text = indent;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const std::string pad(widths[i] - cells[i].size(), ' ');
      text += columns_[i].align == Align::kRight ? pad + cells[i] : cells[i] + pad;
      if (i + 1 < cells.size()) text += std::string(kColumnGap, ' ');
    }
    out << trimRight(std::move(text)) << '\n';
  };
  std::vector<std::string> headers;
  for (const Column& c : columns_) headers.push_back(c.header);
  line(headers);
  for (const auto& r : rows_) line(r);
}

void printFields(std::ostream& out, const Fields& fields, const std::string& indent) {
  std::size_t width = 0;
  for (const auto& [label, value] : fields) width = std::max(width, label.size());
  for (const auto& [label, value] : fields) {
    out << trimRight(indent + label + std::string(width - label.size() + kColumnGap, ' ') + value)
        << '\n';
  }
}

}  // namespace vexa::cli
