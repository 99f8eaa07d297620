// The tag store: link lists of the records, tag words, and the store's
// operations on the shared object's two maps.
#include "tool/zentil/tag.hpp"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/make_shared.hpp>
#include <boost/regex.hpp>

#include "platform/fs/filesystem.hpp"
#include "tool/zentil/shared.hpp"

namespace tool::zentil {
namespace {

template <class Record>
void remove_records_named(link_list<Record>& links, const std::wstring& name) {
  links.remove_if([&](const Record* r) { return r->name == name; });
}

}  // namespace

bool path_exists(const std::wstring& path) {
  std::error_code ec;
  if (platform::fs::status(path, ec) != platform::fs::entry_kind::missing) return true;
  // ec is clear for "no such file" and "not a folder"
  return ec && ec != std::errc::filename_too_long && ec != std::errc::invalid_argument &&
         ec != std::errc::not_enough_memory;
}

tag::directory::directory(std::wstring name) : name(std::move(name)) {}

tag::tag(std::wstring name) : name(std::move(name)) {}

bool tag::add_link(link_list<directory>& links, directory* record) { return links.add(record); }
bool tag::add_link(link_list<tag>& links, tag* record) { return links.add(record); }

bool tag::has_link(const std::list<tag*>& links, const std::wstring& name) {
  return std::any_of(links.begin(), links.end(), [&](const tag* t) { return t->name == name; });
}

void tag::link_names(const std::list<tag*>& links, std::list<std::wstring>& out) {
  for (const tag* t : links) out.push_back(t->name);
}

void tag::link_names_into(const std::list<directory*>& links, std::vector<std::wstring>& out) {
  out.reserve(out.size() + links.size());
  for (const directory* d : links) out.push_back(d->name);
}

void tag::remove_named(link_list<directory>& links, const std::wstring& name) { remove_records_named(links, name); }
void tag::remove_named(link_list<tag>& links, const std::wstring& name) { remove_records_named(links, name); }

void tag::unlink_named(directory& folder, const std::wstring& tag_name) {
  for (tag* t : folder.links)
    if (t->name == tag_name) remove_named(t->links, folder.name);
  remove_named(folder.links, tag_name);
}

const boost::wregex& tag_word_pattern() {
  static const boost::wregex pattern(L"[^\u3000 /\\\\]+", boost::regex::ECMAScript);
  return pattern;
}

bool is_tag_word(const std::wstring& text) { return boost::regex_match(text, tag_word_pattern()); }

const boost::wregex& exclusion_pattern() {
  static const boost::wregex pattern(L"-.*", boost::regex::ECMAScript);
  return pattern;
}

void shared::link_tag(const std::wstring& path, const std::wstring& tag_name) {
  if (!path_exists(path) || !is_tag_word(tag_name)) return;
  link_checked(path, tag_name);
  changed = true;
}

void shared::link_checked(const std::wstring& path, const std::wstring& tag_name) {
  auto folder = directory_map.find(path);
  if (folder == directory_map.end())
    folder = directory_map.emplace(path, boost::make_shared<tag::directory>(path)).first;
  auto record = tag_map.find(tag_name);
  if (record == tag_map.end()) record = tag_map.emplace(tag_name, boost::make_shared<tag>(tag_name)).first;
  tag::add_link(folder->second->links, record->second.get());
  tag::add_link(record->second->links, folder->second.get());
}

void shared::unlink_tag(const std::wstring& path, const std::wstring& tag_name) {
  try {
    tag::unlink_named(*directory_map.at(path), tag_name);
    changed = true;
  } catch (const std::exception&) {
  }
}

void shared::tags_of(const std::wstring& path, std::list<std::wstring>& out) const {
  try {
    tag::link_names(directory_map.at(path)->links, out);
  } catch (const std::exception&) {
  }
}

void shared::inherit_ancestor_tags(const std::wstring& path) {
  // Every step drops the last component, so the walk ends at the empty path
  // at the latest, also for a path that is not below the root folder.
  std::wstring ancestor = path;
  while (ancestor != root_folder && !ancestor.empty()) {
    // Cut at the last '/': stored paths are paths already, and a backslash
    // in one of their names is part of that name.
    const std::size_t sep = ancestor.rfind(L'/');
    ancestor.erase(sep == std::wstring::npos ? 0 : sep);
    std::list<std::wstring> names;
    tags_of(ancestor, names);
    for (const std::wstring& name : names) link_tag(path, name);
  }
}

std::vector<std::wstring> shared::search_tags(const std::wstring& query) const {
  std::vector<std::wstring> words;
  boost::split(words, query, boost::is_any_of(search_words), boost::token_compress_off);
  std::vector<std::wstring> result;
  try {
    tag::link_names_into(tag_map.at(words.front())->links, result);
    for (std::size_t i = 1; i < words.size(); ++i) {
      if (boost::regex_match(words[i], exclusion_pattern()))
        drop_tagged(result, words[i]);
      else
        keep_tagged(result, words[i]);
    }
  } catch (const std::exception&) {
  }
  return result;
}

namespace {

// Erases the paths whose folder's tags pass test, keeping the others in
// order. Every lookup comes first, so a path without a record leaves the
// result untouched when its lookup throws.
template <class Test>
void erase_folders(const lib::hash<std::wstring, boost::shared_ptr<tag::directory>>& directory_map,
                   std::vector<std::wstring>& result, Test test) {
  std::vector<bool> erase(result.size());
  for (std::size_t i = 0; i < result.size(); ++i) erase[i] = test(directory_map.at(result[i])->links);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < result.size(); ++i)
    if (!erase[i]) {
      if (kept != i) result[kept] = std::move(result[i]);
      ++kept;
    }
  result.resize(kept);
}

}  // namespace

void shared::keep_tagged(std::vector<std::wstring>& result, const std::wstring& word) const {
  erase_folders(directory_map, result, [&](const std::list<tag*>& links) { return !tag::has_link(links, word); });
}

void shared::drop_tagged(std::vector<std::wstring>& result, const std::wstring& word) const {
  const std::wstring excluded = word.empty() ? word : word.substr(1);
  erase_folders(directory_map, result, [&](const std::list<tag*>& links) { return tag::has_link(links, excluded); });
}

}  // namespace tool::zentil
