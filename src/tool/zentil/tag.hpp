// The tag store's records: tags and tagged folders linked both ways, the
// operations on their link lists, and the tests on tag words and search words.
#pragma once

#include <algorithm>
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include <boost/regex_fwd.hpp>

namespace tool::zentil {

// A link list: records in the order they were linked, each at most once.
// The duplicate test on linking walks a short list; a list that grows past
// linear_limit gets an index of its records beside it, so the test costs no
// walk of a long list. It reads as the list (const) and changes only through
// add and remove_if, which keep the index.
template <class Record>
class link_list {
 public:
  using list_type = std::list<Record*>;
  using const_iterator = typename list_type::const_iterator;
  using iterator = const_iterator;
  using value_type = Record*;
  static constexpr std::size_t linear_limit = 16;

  operator const list_type&() const { return list_; }
  const list_type& list() const { return list_; }
  const_iterator begin() const { return list_.begin(); }
  const_iterator end() const { return list_.end(); }
  std::size_t size() const { return list_.size(); }
  bool empty() const { return list_.empty(); }
  Record* front() const { return list_.front(); }
  Record* back() const { return list_.back(); }

  // Appends record unless that very record is already listed.
  bool add(Record* record) {
    if (!index_ && list_.size() >= linear_limit) index_.emplace(list_.begin(), list_.end());
    if (index_) {
      if (!index_->insert(record).second) return false;
    } else if (std::find(list_.begin(), list_.end(), record) != list_.end()) {
      return false;
    }
    list_.push_back(record);
    return true;
  }
  template <class Predicate>
  void remove_if(Predicate test) {
    list_.remove_if([&](Record* r) {
      if (!test(r)) return false;
      if (index_) index_->erase(r);
      return true;
    });
  }
  bool contains(const Record* record) const {
    return index_ ? index_->count(record) != 0 : std::find(list_.begin(), list_.end(), record) != list_.end();
  }

 private:
  list_type list_;
  std::optional<std::unordered_set<const Record*>> index_;
};

// One tag and the folders it is linked to, in the order the links were made.
// Links are raw pointers: the records are owned by the store's maps, which
// never drop one while the store lives.
struct tag {
  // One folder that carries tags; name is the path exactly as it was linked.
  struct directory {
    explicit directory(std::wstring name);

    std::wstring name;
    link_list<tag> links;
  };

  explicit tag(std::wstring name);

  std::wstring name;
  link_list<directory> links;

  // Appends record unless that very record is already listed.
  static bool add_link(link_list<directory>& links, directory* record);
  static bool add_link(link_list<tag>& links, tag* record);
  static bool has_link(const std::list<tag*>& links, const std::wstring& name);
  static void link_names(const std::list<tag*>& links, std::list<std::wstring>& out);
  static void link_names_into(const std::list<directory*>& links, std::vector<std::wstring>& out);
  static void remove_named(link_list<directory>& links, const std::wstring& name);
  static void remove_named(link_list<tag>& links, const std::wstring& name);
  // Unlinks folder and every tag of that name, on both sides.
  static void unlink_named(directory& folder, const std::wstring& tag_name);
};

// Whether the path may name something on disk (a file or a folder): false
// only when the answer is that nothing is there ("no such file", "not a
// folder" on the way) or that nothing can be (a name too long, or one no byte
// string spells). A path whose existence cannot be checked (permission
// denied, an I/O error, a loop of links) counts as there, so a link to it is
// kept, unchecked, rather than lost for good at the next save.
bool path_exists(const std::wstring& path);

// A tag word: one or more characters, none of them a space of either width,
// a slash or a backslash.
const boost::wregex& tag_word_pattern();
bool is_tag_word(const std::wstring& text);

// A search query's words are split at each of these, one by one.
constexpr const wchar_t* search_words = L"\u3000 ";
// A search word that whole-matches this excludes the tag named by the rest.
const boost::wregex& exclusion_pattern();

}  // namespace tool::zentil
