// Menus and the tool bar: kept here, shown by the current backend's hooks.
#include <map>
#include <vector>

#include "platform/window_state.hpp"

namespace platform {

namespace {

struct menu_record {
    std::vector<menu_item_info> items;
    int parent = 0;  // the menu holding it as a submenu
};

struct toolbar_entry {
    int id, kind;
};

struct menu_store {
    std::map<int, menu_record> menus;
    int next = 1;
    int attached = 0;
    bool toolbar = false;
    std::vector<toolbar_entry> buttons;
};

menu_store& store()
{
    static menu_store s;
    return s;
}

menu_record* find(int menu)
{
    auto it = store().menus.find(menu);
    return it == store().menus.end() ? nullptr : &it->second;
}

// Tells the backend what the strips now show, when a window shows them.
int strips_changed()
{
    const auto hook = current_backend().menu.strips_changed;
    if (hook == nullptr || !has_window()) return 0;
    return hook(store().attached, store().toolbar);
}

int append(int menu, const menu_item_info& item)
{
    menu_record* m = find(menu);
    if (m == nullptr) return set_error("no such menu");
    if (item.text.find(L'\0') != std::wstring::npos) return set_error("text holds a zero character");
    m->items.push_back(item);
    if (menu == store().attached) strips_changed();
    return 0;
}

void erase(int menu)
{
    menu_record* m = find(menu);
    if (m == nullptr) return;
    const std::vector<menu_item_info> items = m->items;
    store().menus.erase(menu);
    for (const menu_item_info& item : items)
        if (item.kind == menu_item_kind::submenu) erase(item.submenu);
}

}  // namespace

int create_menu()
{
    menu_store& s = store();
    if (s.next <= 0) return set_error("no menu handle left");
    const int handle = s.next++;
    s.menus[handle] = menu_record{};
    return handle;
}

int destroy_menu(int menu)
{
    menu_record* m = find(menu);
    if (m == nullptr) return set_error("no such menu");
    // a submenu leaves its parent's list too
    if (m->parent != 0) {
        if (menu_record* parent = find(m->parent)) {
            auto& items = parent->items;
            for (auto it = items.begin(); it != items.end(); ++it) {
                if (it->kind == menu_item_kind::submenu && it->submenu == menu) {
                    items.erase(it);
                    break;
                }
            }
        }
    }
    int top = menu;
    while (menu_record* t = find(top)) {
        if (t->parent == 0) break;
        top = t->parent;
    }
    const bool shown = top == store().attached;
    if (menu == store().attached) store().attached = 0;
    erase(menu);
    if (shown) strips_changed();
    return 0;
}

int append_menu_item(int menu, int id, const std::wstring& text)
{
    menu_item_info item;
    item.kind = menu_item_kind::item;
    item.id = id;
    item.text = text;
    return append(menu, item);
}

int append_menu_separator(int menu)
{
    menu_item_info item;
    item.kind = menu_item_kind::separator;
    return append(menu, item);
}

int append_submenu(int menu, int submenu, const std::wstring& text)
{
    menu_record* sub = find(submenu);
    if (sub == nullptr || find(menu) == nullptr) return set_error("no such menu");
    if (sub->parent != 0 || submenu == store().attached) return set_error("the submenu is held already");
    // a menu cannot hold itself, directly or through its parents
    for (int m = menu; m != 0;) {
        if (m == submenu) return set_error("a menu cannot hold itself");
        const menu_record* r = find(m);
        m = r != nullptr ? r->parent : 0;
    }
    menu_item_info item;
    item.kind = menu_item_kind::submenu;
    item.submenu = submenu;
    item.text = text;
    if (append(menu, item) < 0) return -1;
    sub->parent = menu;
    return 0;
}

int menu_item_count(int menu)
{
    const menu_record* m = find(menu);
    if (m == nullptr) return set_error("no such menu");
    return static_cast<int>(m->items.size());
}

int menu_item(int menu, int position, menu_item_info& out)
{
    const menu_record* m = find(menu);
    if (m == nullptr) return set_error("no such menu");
    if (position < 0 || static_cast<std::size_t>(position) >= m->items.size()) return set_error("no such item");
    out = m->items[static_cast<std::size_t>(position)];
    return 0;
}

int attach_menu(int menu)
{
    if (check_window() < 0) return -1;
    if (menu != 0) {
        const menu_record* m = find(menu);
        if (m == nullptr) return set_error("no such menu");
        if (m->parent != 0) return set_error("a submenu cannot be the menu bar");
    }
    if (store().attached == menu) return 0;
    store().attached = menu;
    return strips_changed();
}

int attached_menu()
{
    return store().attached;
}

int open_menu()
{
    if (check_window() < 0) return -1;
    if (store().attached == 0) return set_error("no menu is attached");
    const auto hook = current_backend().menu.open_menu;
    return hook != nullptr ? hook() : 0;
}

void forget_menus()
{
    store() = menu_store{};
}

void forget_strips()
{
    store().attached = 0;
    store().toolbar = false;
    store().buttons.clear();
}

int create_toolbar()
{
    if (check_window() < 0) return -1;
    if (store().toolbar) return set_error("a tool bar exists");
    store().toolbar = true;
    return strips_changed();
}

int destroy_toolbar()
{
    if (!store().toolbar) return 0;
    store().toolbar = false;
    store().buttons.clear();
    return strips_changed();
}

bool has_toolbar()
{
    return store().toolbar;
}

int add_toolbar_button(int id, int kind)
{
    if (!store().toolbar) return set_error("no tool bar");
    store().buttons.push_back({id, kind});
    return strips_changed();
}

int delete_toolbar_button(int position)
{
    auto& buttons = store().buttons;
    if (!store().toolbar) return set_error("no tool bar");
    if (position < 0 || static_cast<std::size_t>(position) >= buttons.size()) return set_error("no such button");
    buttons.erase(buttons.begin() + position);
    return strips_changed();
}

int toolbar_button_count()
{
    if (!store().toolbar) return set_error("no tool bar");
    return static_cast<int>(store().buttons.size());
}

int toolbar_button(int position, int& id, int& kind)
{
    const auto& buttons = store().buttons;
    if (!store().toolbar) return set_error("no tool bar");
    if (position < 0 || static_cast<std::size_t>(position) >= buttons.size()) return set_error("no such button");
    id = buttons[static_cast<std::size_t>(position)].id;
    kind = buttons[static_cast<std::size_t>(position)].kind;
    return 0;
}

int toolbar_height()
{
    const auto hook = current_backend().menu.toolbar_height;
    if (!store().toolbar || hook == nullptr) return 0;
    return hook();
}

int toolbar_resized()
{
    if (!store().toolbar) return 0;
    return strips_changed();
}

}  // namespace platform
