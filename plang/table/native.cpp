// The host-function table.
#include "plang/table/native.hpp"

#include "plang/exception.hpp"

namespace plang::table {

void native::define(const std::wstring& id, const callable& f) {
  if (!functions_.emplace(id, f).second) {
    throw exception("plang/table/native", "overwrite native function, id=", "plang::table::native<wchar_t>::define",
                    22)
        .append_detail(id);
  }
}

}  // namespace plang::table
