#include "formats/data_source.h"

#include <utility>

namespace marbleset {

DataSource DataSource::File(std::string path, ReaderLimits limits) {
  DataSource source;
  source.path_ = std::move(path);
  source.limits_ = limits;
  return source;
}

DataSource DataSource::Text(std::string text, std::string name) {
  DataSource source;
  source.text_ = std::move(text);
  source.name_ = std::move(name);
  return source;
}

std::string DataSource::Name() const {
  if (path_.empty()) return name_;
  return path_ == "-" ? "standard input" : path_;
}

ItemReader& DataSource::Items() {
  if (!items_) {
    items_.emplace(path_.empty() ? ItemReader::FromText(std::move(text_), name_, limits_)
                                 : ItemReader::OpenFile(path_, limits_));
  }
  return *items_;
}

std::string DataSource::RemainingText() {
  return Items().RemainingText();
}

}  // namespace marbleset
