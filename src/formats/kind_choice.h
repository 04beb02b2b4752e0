// Which kind of data a reader of tables, NEXUS or VCF files should produce.
#pragma once

namespace marbleset {

// kAuto takes binary data when every value is 0, 1 or missing and quantitative data otherwise;
// kBinary refuses any other value (naming the cell); kQuantitative reads 0 and 1 as numbers.
enum class KindChoice { kAuto, kBinary, kQuantitative };

}  // namespace marbleset
