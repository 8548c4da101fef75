// Plain-text layout for people: aligned tables and label-value lists.
#ifndef VEXA_CLI_TABLE_H
#define VEXA_CLI_TABLE_H

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace vexa::cli {

enum class Align { kLeft, kRight };

class Table {
 public:
  struct Column {
    std::string header;
    Align align = Align::kLeft;
  };
  explicit Table(std::vector<Column> columns) : columns_(std::move(columns)) {}
  void row(std::vector<std::string> cells);
  // Header, then rows; columns two spaces apart, no trailing blanks.
  void print(std::ostream& out, const std::string& indent = {}) const;

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

using Fields = std::vector<std::pair<std::string, std::string>>;
// "label   value" lines with the values aligned.
void printFields(std::ostream& out, const Fields& fields, const std::string& indent = {});

}  // namespace vexa::cli

#endif  // VEXA_CLI_TABLE_H
