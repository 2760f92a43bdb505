#pragma once
// What turns the menu drawn into the next one, top-level entry by entry, so that an adapter
// changes only what changed: a refresh that only changes texts and marks edits lines in
// place; instances added or gone insert or remove theirs. Plain data, no Qt.
//
// Entries are matched in order by what they act on, as DBusMenuLayout matches them (the
// same instance, profile or region, whatever its text). Between matched entries, an old
// and a new entry of the same shape (separator, line with a submenu, plain line) are
// paired too, so that a list of other instances reuses the lines already there.

#include <cstddef>
#include <string>
#include <vector>

#include "app/MenuModel.h"

namespace tamsel {

struct MenuEdit {
    enum class Kind {
        update,  // the entry at `at` shows the new model's entry `from` instead
        insert,  // the new model's entry `from` comes in at `at`
        remove,  // the entry at `at` goes
    };
    Kind kind = Kind::update;
    std::size_t at = 0;           // place in the list as edited so far, from the first edit on
    std::size_t from = 0;         // update and insert: place in the new model
    bool lineChanged = false;     // update: its line looks otherwise (title, marks, enabled, shown, bold, key)
    bool submenuChanged = false;  // update: its submenu holds other lines, or may (lines not built)
    bool actsOnSame = true;       // update: it still acts on what it did (false: paired by shape)

    bool operator==(const MenuEdit&) const = default;
};

// The edits, in the order they apply; none when the menus are equal. `linesBuilt` says, for
// each drawn entry with a submenu, whether its lines have been built (it has opened); the
// lines of one not built are not compared, since they are built from its item when it
// opens: such an entry, matched, always gets an update that hands it its new item.
std::vector<MenuEdit> menuEdits(const std::vector<const MenuItem*>& drawn, const std::vector<bool>& linesBuilt,
                                const Menu& next);
// The same, with every submenu's lines built.
std::vector<MenuEdit> menuEdits(const Menu& drawn, const Menu& next);

// Whether `a` and `b` are drawn as the same line, whatever they carry or hold below.
bool sameLook(const MenuItem& a, const MenuItem& b);

// What an entry acts on, for matching it with an entry of another model: its kind, its
// action and the instance, profile, region or group it carries (a copy entry by its action
// alone: the address it carries changes with the state); a submenu by its first action entry.
std::string menuEntryKey(const MenuItem& item);
// Whether `a` and `b` have the same key (menuEntryKey), without building the keys.
bool sameEntryKey(const MenuItem& a, const MenuItem& b);

// For each of `fresh`, the index of the entry of `old` it is matched with, or -1. Matches
// keep the order of both lists.
std::vector<long> matchInOrder(const std::vector<std::string>& old, const std::vector<std::string>& fresh);

}  // namespace tamsel
