// Reading and writing a tag database of 10,000 tags with 5 folders each, and
// the same text read by libexpat (when the bench build found it).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lib/string.hpp"
#include "lib/xml.hpp"
#include "platform/text/codepage.hpp"

#ifdef ZENTIL_HAVE_EXPAT
#include <expat.h>

#include <vector>
#endif

namespace {

using lib::xml::element;

element text_element(const wchar_t* name, std::wstring text) {
  element e = element::element_with_name(name);
  e.text = std::move(text);
  return e;
}

// The tree the application builds at exit: root, one "tag" per tag holding
// its "value" and a "path" with one "value" per folder.
element tag_database(int tags, int paths) {
  element root = element::element_with_name(L"root");
  root.children.reserve(static_cast<std::size_t>(tags));
  for (int t = 0; t < tags; ++t) {
    element tag = element::element_with_name(L"tag");
    tag.children.push_back(text_element(L"value", L"tag " + std::to_wstring(t) + L" \u5199\u771F"));
    element path = element::element_with_name(L"path");
    for (int p = 0; p < paths; ++p)
      path.children.push_back(
          text_element(L"value", L"/home/user/" + std::to_wstring(2000 + p) + L"/\u65C5\u884C_" + std::to_wstring(t)));
    tag.children.push_back(std::move(path));
    root.children.push_back(std::move(tag));
  }
  return root;
}

const std::wstring& document() {
  static const std::wstring text = tag_database(10000, 5).serialize(0);
  return text;
}

void set_size_counters(benchmark::State& state) {
  static const double cp932_bytes = static_cast<double>(lib::string::to_narrow(document()).size());
  state.counters["file_MB"] = cp932_bytes / 1e6;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cp932_bytes));
}

void BM_xml_read(benchmark::State& state) {
  const std::wstring& text = document();
  for (auto _ : state) {
    element root;
    lib::detail::xml::parse(text, root);
    benchmark::DoNotOptimize(root.children.data());
  }
  set_size_counters(state);
}
BENCHMARK(BM_xml_read)->Unit(benchmark::kMillisecond);

void BM_xml_write(benchmark::State& state) {
  const element root = tag_database(10000, 5);
  for (auto _ : state) {
    std::wstring text = root.serialize(0);
    benchmark::DoNotOptimize(text.data());
  }
  set_size_counters(state);
}
BENCHMARK(BM_xml_write)->Unit(benchmark::kMillisecond);

#ifdef ZENTIL_HAVE_EXPAT

const std::string& document_utf8() {
  static const std::string text = platform::text::to_utf8(document());
  return text;
}

void run_expat(XML_Parser parser, const std::string& text) {
  if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_OK) {
    std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
    std::abort();
  }
}

// Expat's own speed: the same UTF-8 text, handlers that only count.
void BM_expat_scan(benchmark::State& state) {
  const std::string& text = document_utf8();
  for (auto _ : state) {
    long events = 0;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &events);
    XML_SetElementHandler(
        parser, [](void* d, const XML_Char*, const XML_Char**) { ++*static_cast<long*>(d); },
        [](void* d, const XML_Char*) { ++*static_cast<long*>(d); });
    XML_SetCharacterDataHandler(parser, [](void* d, const XML_Char*, int) { ++*static_cast<long*>(d); });
    run_expat(parser, text);
    XML_ParserFree(parser);
    benchmark::DoNotOptimize(events);
  }
  set_size_counters(state);
}
BENCHMARK(BM_expat_scan)->Unit(benchmark::kMillisecond);

// Expat filling the same element tree, wide texts included: what the
// application would get from it.
struct tree_builder {
  element root;
  std::vector<element*> open;
  std::string text;
};

void BM_expat_tree(benchmark::State& state) {
  const std::string& text = document_utf8();
  for (auto _ : state) {
    tree_builder b;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &b);
    XML_SetElementHandler(
        parser,
        [](void* d, const XML_Char* name, const XML_Char** attributes) {
          auto& b = *static_cast<tree_builder*>(d);
          element* e = &b.root;
          if (!b.open.empty()) {
            b.open.back()->children.emplace_back();
            e = &b.open.back()->children.back();
          }
          e->name = platform::text::from_utf8(name);
          for (const XML_Char** a = attributes; *a; a += 2)
            e->attributes.push_back({platform::text::from_utf8(a[0]), platform::text::from_utf8(a[1])});
          b.open.push_back(e);
          b.text.clear();
        },
        [](void* d, const XML_Char*) {
          auto& b = *static_cast<tree_builder*>(d);
          if (b.open.back()->children.empty()) b.open.back()->text = platform::text::from_utf8(b.text);
          b.text.clear();
          b.open.pop_back();
        });
    XML_SetCharacterDataHandler(parser, [](void* d, const XML_Char* s, int n) {
      static_cast<tree_builder*>(d)->text.append(s, static_cast<std::size_t>(n));
    });
    run_expat(parser, text);
    XML_ParserFree(parser);
    benchmark::DoNotOptimize(b.root.children.data());
  }
  set_size_counters(state);
}
BENCHMARK(BM_expat_tree)->Unit(benchmark::kMillisecond);

#endif  // ZENTIL_HAVE_EXPAT

}  // namespace
