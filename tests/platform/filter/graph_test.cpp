// The graph manager: the class table, membership, connection, rendering
// through the filter table, and the refusals of bad input.
#include "support/graph_filters.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

namespace {

using namespace platform::filter;
using namespace support::filters;

com_ptr<IGraphBuilder> new_graph()
{
    com_ptr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                               IID_IGraphBuilder, graph.put_void()),
              S_OK);
    return graph;
}

// Nothing connected on any pin of the graph's filters.
bool nothing_connected(IGraphBuilder* graph)
{
    for (com_ptr<IBaseFilter>& f : filters_in(graph))
        for (PIN_DIRECTION dir : {PINDIR_INPUT, PINDIR_OUTPUT}) {
            com_ptr<IPin> pin = find_pin(f.get(), dir);
            com_ptr<IPin> peer;
            if (pin && SUCCEEDED(pin->ConnectedTo(peer.put())) && peer)
                return false;
        }
    return true;
}

// The filter the pin is connected to, or empty.
com_ptr<IBaseFilter> downstream_of(IPin* out)
{
    com_ptr<IPin> peer;
    if (FAILED(out->ConnectedTo(peer.put())) || !peer)
        return {};
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    return com_ptr<IBaseFilter>(info.pFilter);
}

class GraphClasses : public filter_test {};

TEST_F(GraphClasses, CreatesTheGraphAndTheNullRendererWithOneReferenceEach)
{
    struct row {
        const char* what;
        CLSID clsid;
        IID iid;
    };
    for (const row& r : {row{"graph", CLSID_FilterGraph, IID_IGraphBuilder},
                         row{"null renderer", CLSID_NullRenderer, IID_IBaseFilter}}) {
        IUnknown* made = nullptr;
        ASSERT_EQ(CoCreateInstance(r.clsid, nullptr, CLSCTX_INPROC_SERVER, r.iid, reinterpret_cast<void**>(&made)),
                  S_OK)
            << r.what;
        ASSERT_NE(made, nullptr) << r.what;
        EXPECT_EQ(made->AddRef(), 2u) << r.what;
        made->Release();
        EXPECT_EQ(made->Release(), 0u) << r.what;
    }
}

TEST_F(GraphClasses, UnknownClassOrInterfaceFailsWithNull)
{
    const GUID unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &out),
              E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, nullptr),
              E_POINTER);
}

TEST_F(GraphClasses, RegisteredClassIsMadeUntilUnregistered)
{
    void* out = nullptr;
    {
        registration reg(clsid_b_renderer, [] { return static_cast<IBaseFilter*>(new counting_renderer); });
        ASSERT_EQ(CoCreateInstance(clsid_b_renderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &out), S_OK);
        static_cast<IBaseFilter*>(out)->Release();
    }
    EXPECT_EQ(CoCreateInstance(clsid_b_renderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &out),
              REGDB_E_CLASSNOTREG);
}

// A graph with the test source of type A, and the table's A -> B transform
// and B renderer registered.
class GraphRender : public filter_test {
protected:
    GraphRender()
        : a_to_b_(clsid_a_to_b, [] { return static_cast<IBaseFilter*>(new retype(subtype_a, subtype_b)); },
                  filter_entry{L"A to B", {}, MERIT_NORMAL, {{test_major, subtype_a}}}),
          renderer_(clsid_b_renderer, [] { return static_cast<IBaseFilter*>(new counting_renderer(test_major)); },
                    filter_entry{L"B renderer", {}, MERIT_NORMAL, {{test_major, subtype_b}}})
    {
    }
    void SetUp() override
    {
        graph = new_graph();
        ASSERT_TRUE(graph);
        source = com_ptr<numbered_source>::share(new numbered_source(3, test_type(subtype_a)));
        ASSERT_EQ(graph->AddFilter(source.get(), L"Source"), S_OK);
        out = find_pin(source.get(), PINDIR_OUTPUT);
    }
    std::vector<std::wstring> names()
    {
        std::vector<std::wstring> all;
        for (com_ptr<IBaseFilter>& f : filters_in(graph.get()))
            all.push_back(name_of(f.get()));
        return all;
    }

    registration a_to_b_, renderer_;
    com_ptr<IGraphBuilder> graph;
    com_ptr<numbered_source> source;
    com_ptr<IPin> out;
};

TEST_F(GraphRender, InsertsTheTransformAndTheRendererFromTheTable)
{
    ASSERT_EQ(graph->Render(out.get()), S_OK);
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"Source", L"A to B", L"B renderer"}));
    std::vector<com_ptr<IBaseFilter>> filters = filters_in(graph.get());
    EXPECT_EQ(downstream_of(out.get()).get(), filters[1].get());
    com_ptr<IPin> middle_out = find_pin(filters[1].get(), PINDIR_OUTPUT);
    EXPECT_EQ(downstream_of(middle_out.get()).get(), filters[2].get());
    EXPECT_EQ(graph->Render(out.get()), VFW_E_ALREADY_CONNECTED);
}

TEST_F(GraphRender, GoesThroughAFilterAlreadyInTheGraphFirst)
{
    auto pass = com_ptr<pass_through>::share(new pass_through(subtype_b));
    ASSERT_EQ(graph->AddFilter(pass.get(), L"Grabber"), S_OK);
    ASSERT_EQ(graph->Render(out.get()), S_OK);
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"Source", L"Grabber", L"A to B", L"B renderer"}));
    std::vector<com_ptr<IBaseFilter>> filters = filters_in(graph.get());
    com_ptr<IPin> transform_out = find_pin(filters[2].get(), PINDIR_OUTPUT);
    EXPECT_EQ(downstream_of(transform_out.get()).get(), static_cast<IBaseFilter*>(pass.get()));
    EXPECT_EQ(downstream_of(find_pin(pass.get(), PINDIR_OUTPUT).get()).get(), filters[3].get());
}

TEST_F(GraphRender, FailedRenderLeavesTheGraphAsItWas)
{
    struct row {
        const char* what;
        bool drop_renderer, add_loop, add_unrelated;
        GUID source_subtype;
    };
    const row rows[] = {
        {"a type no filter takes", false, false, true, subtype_c},
        {"a transform whose output nothing takes", true, false, false, subtype_a},
        {"transforms that lead round in a loop", true, true, true, subtype_a},
    };
    for (const row& r : rows) {
        auto g = new_graph();
        auto src = com_ptr<numbered_source>::share(new numbered_source(1, test_type(r.source_subtype)));
        ASSERT_EQ(g->AddFilter(src.get(), L"Source"), S_OK);
        auto bystander = com_ptr<pass_through>::share(new pass_through(subtype_b));
        if (r.add_unrelated) {
            ASSERT_EQ(g->AddFilter(bystander.get(), L"Bystander"), S_OK);
        }
        std::unique_ptr<registration> loop;
        if (r.add_loop)
            loop = std::make_unique<registration>(
                clsid_b_to_a, [] { return static_cast<IBaseFilter*>(new retype(subtype_b, subtype_a)); },
                filter_entry{L"B to A", {}, MERIT_NORMAL, {{test_major, subtype_b}}});
        if (r.drop_renderer)
            unregister_filter(clsid_b_renderer);
        std::size_t before = filters_in(g.get()).size();
        EXPECT_EQ(g->Render(find_pin(src.get(), PINDIR_OUTPUT).get()), VFW_E_CANNOT_RENDER) << r.what;
        EXPECT_EQ(filters_in(g.get()).size(), before) << r.what;
        EXPECT_TRUE(nothing_connected(g.get())) << r.what;
        if (r.drop_renderer)
            register_filter({L"B renderer", clsid_b_renderer, MERIT_NORMAL, {{test_major, subtype_b}}});
    }
}

TEST_F(GraphRender, ConnectGoesThroughATableTransformWhenDirectFails)
{
    auto strict = com_ptr<pass_through>::share(new pass_through(subtype_b));
    ASSERT_EQ(graph->AddFilter(strict.get(), L"Strict"), S_OK);
    ASSERT_EQ(graph->Connect(out.get(), find_pin(strict.get(), PINDIR_INPUT).get()), S_OK);
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"Source", L"Strict", L"A to B"}));
    EXPECT_EQ(strict->InputPin()->CurrentMediaType().subtype, subtype_b);
}

TEST_F(GraphRender, EnumeratesInOrderAndRewiresToTheNullRenderer)
{
    ASSERT_EQ(graph->Render(out.get()), S_OK);
    com_ptr<IBaseFilter> null;
    ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, null.put_void()),
              S_OK);
    ASSERT_EQ(graph->AddFilter(null.get(), L"File Renderer"), S_OK);

    // The first filter with an input, no output, and its input connected.
    com_ptr<IBaseFilter> chosen;
    for (com_ptr<IBaseFilter>& f : filters_in(graph.get())) {
        com_ptr<IPin> in = find_pin(f.get(), PINDIR_INPUT);
        com_ptr<IPin> peer;
        if (in && !find_pin(f.get(), PINDIR_OUTPUT) && SUCCEEDED(in->ConnectedTo(peer.put())) && peer) {
            chosen = f;
            break;
        }
    }
    ASSERT_TRUE(chosen);
    EXPECT_EQ(name_of(chosen.get()), L"B renderer");
    com_ptr<IPin> renderer_in = find_pin(chosen.get(), PINDIR_INPUT);
    com_ptr<IPin> upstream;
    ASSERT_EQ(renderer_in->ConnectedTo(upstream.put()), S_OK);
    EXPECT_EQ(graph->Disconnect(upstream.get()), S_OK);
    EXPECT_EQ(graph->Disconnect(renderer_in.get()), S_OK);
    com_ptr<IPin> null_in = find_pin(null.get(), PINDIR_INPUT);
    ASSERT_EQ(graph->Connect(upstream.get(), null_in.get()), S_OK);

    EXPECT_EQ(filters_in(graph.get()).size(), 4u);
    com_ptr<IPin> peer;
    EXPECT_NE(renderer_in->ConnectedTo(peer.put()), S_OK);
    EXPECT_EQ(downstream_of(upstream.get()).get(), null.get());

    // The rewired graph runs to its end in the null renderer.
    auto control = graph.as<IMediaControl>(IID_IMediaControl);
    auto events = graph.as<IMediaEvent>(IID_IMediaEvent);
    ASSERT_EQ(control->Run(), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(5000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(static_cast<counting_renderer*>(chosen.get())->count(), 0u);
    control->Stop();
}

TEST_F(GraphRender, RefusesBadInputAndLeavesNothingHalfConnected)
{
    auto other_graph = new_graph();
    auto stranger = com_ptr<counting_renderer>::share(new counting_renderer);
    ASSERT_EQ(other_graph->AddFilter(stranger.get(), L"Stranger"), S_OK);
    auto end = com_ptr<counting_renderer>::share(new counting_renderer);
    ASSERT_EQ(graph->AddFilter(end.get(), L"End"), S_OK);
    auto second_source = com_ptr<numbered_source>::share(new numbered_source(1, test_type(subtype_a)));
    ASSERT_EQ(graph->AddFilter(second_source.get(), L"Source"), S_OK);
    EXPECT_EQ(name_of(second_source.get()), L"Source 0001");

    IPin* in = end->GetPin(0);
    IPin* out2 = find_pin(second_source.get(), PINDIR_OUTPUT).get();
    struct row {
        const char* what;
        HRESULT got, expected;
    };
    const row rows[] = {
        {"add null", graph->AddFilter(nullptr, L"x"), E_POINTER},
        {"add twice", graph->AddFilter(end.get(), L"again"), VFW_E_ALREADY_IN_GRAPH},
        {"add a member of another graph", graph->AddFilter(stranger.get(), L"x"), VFW_E_ALREADY_IN_GRAPH},
        {"remove null", graph->RemoveFilter(nullptr), E_POINTER},
        {"remove a stranger", graph->RemoveFilter(stranger.get()), VFW_E_NOT_FOUND},
        {"connect null out", graph->Connect(nullptr, in), E_POINTER},
        {"connect null in", graph->Connect(out.get(), nullptr), E_POINTER},
        {"connect direct null", graph->ConnectDirect(nullptr, in, nullptr), E_POINTER},
        {"connect to another graph's pin", graph->Connect(out.get(), stranger->GetPin(0)), VFW_E_NOT_IN_GRAPH},
        {"connect two outputs", graph->Connect(out.get(), out2), VFW_E_INVALID_DIRECTION},
        {"connect two inputs", graph->Connect(in, in), VFW_E_INVALID_DIRECTION},
        {"connect in to out", graph->Connect(in, out.get()), VFW_E_INVALID_DIRECTION},
        {"render null", graph->Render(nullptr), E_POINTER},
        {"render an input", graph->Render(in), VFW_E_INVALID_DIRECTION},
        {"render another graph's pin", graph->Render(stranger->GetPin(0)), VFW_E_NOT_IN_GRAPH},
        {"disconnect null", graph->Disconnect(nullptr), E_POINTER},
        {"disconnect another graph's pin", graph->Disconnect(stranger->GetPin(0)), VFW_E_NOT_IN_GRAPH},
        {"enumerate into null", graph->EnumFilters(nullptr), E_POINTER},
        {"render a null file", graph->RenderFile(nullptr, nullptr), E_POINTER},
    };
    for (const row& r : rows)
        EXPECT_EQ(r.got, r.expected) << r.what;
    EXPECT_TRUE(nothing_connected(graph.get()));
    EXPECT_TRUE(nothing_connected(other_graph.get()));
    EXPECT_EQ(filters_in(graph.get()).size(), 3u);

    // A removed filter leaves the graph and its connections.
    ASSERT_EQ(graph->ConnectDirect(out.get(), in, nullptr), S_OK);
    EXPECT_EQ(graph->RemoveFilter(end.get()), S_OK);
    EXPECT_TRUE(nothing_connected(graph.get()));
    FILTER_INFO info{};
    end->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);
}

// Files the test source recognises by their first bytes, "TEST".
class GraphRenderFile : public GraphRender {
protected:
    GraphRenderFile()
        : source_class_(clsid_test_source,
                        [this] { return static_cast<IBaseFilter*>(new numbered_source(3, test_type(subtype))); })
    {
        register_source({clsid_test_source, [](const BYTE* head, std::size_t length, const std::wstring&) {
                             return length >= 4 && std::memcmp(head, "TEST", 4) == 0;
                         }});
        folder.file("movie.test", "TEST and more");
        folder.file("other.bin", "NOPE and more");
        folder.file("empty.bin", "");
    }
    ~GraphRenderFile() override { unregister_source(clsid_test_source); }
    std::wstring path(const char* name) const
    {
        std::string p = folder.at(name);
        return std::wstring(p.begin(), p.end());
    }

    GUID subtype = subtype_a;
    registration source_class_;
    support::temp_folder folder;
};

TEST_F(GraphRenderFile, BuildsSourceToRendererForARecognisedFile)
{
    com_ptr<IGraphBuilder> fresh;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, fresh.put_void()),
              S_OK);
    std::wstring file = path("movie.test");
    ASSERT_EQ(fresh->RenderFile(file.c_str(), nullptr), S_OK);
    graph = fresh;
    EXPECT_EQ(names(), (std::vector<std::wstring>{file, L"A to B", L"B renderer"}));
    std::vector<com_ptr<IBaseFilter>> filters = filters_in(fresh.get());
    EXPECT_EQ(static_cast<numbered_source*>(filters[0].get())->loaded, file);
    EXPECT_FALSE(nothing_connected(fresh.get()));
}

TEST_F(GraphRenderFile, FailuresLeaveTheGraphUnchanged)
{
    struct row {
        const char* what;
        const char* file;
        GUID subtype;
        HRESULT expected;
    };
    const row rows[] = {
        {"no recogniser takes it", "other.bin", subtype_a, VFW_E_UNKNOWN_FILE_TYPE},
        {"an empty file", "empty.bin", subtype_a, VFW_E_UNKNOWN_FILE_TYPE},
        {"a missing file", "missing.test", subtype_a, VFW_E_CANNOT_OPEN_FILE},
        {"a folder", ".", subtype_a, VFW_E_CANNOT_OPEN_FILE},
        {"a source whose output nothing renders", "movie.test", subtype_c, VFW_E_CANNOT_RENDER},
    };
    for (const row& r : rows) {
        subtype = r.subtype;
        EXPECT_EQ(graph->RenderFile(path(r.file).c_str(), nullptr), r.expected) << r.what;
        EXPECT_EQ(names(), (std::vector<std::wstring>{L"Source"})) << r.what;
        EXPECT_TRUE(nothing_connected(graph.get())) << r.what;
    }
}

}  // namespace
