#pragma once

#include "report/model/constants.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct TfrDrawContext;
struct TfrPicture;
class TfrObjectBuilder;
class TfrPropTable;
class TfrView;

// How the export filters take an object.
enum class TfrExportKind : std::uint8_t {
    None,    // its place only (bands, sub-report frames, lines)
    Text,    // its printed lines, one by one (text objects)
    Picture, // a picture: the one it holds, else a drawing of it
};

// What the engine knows of one class of report objects, built-in or add-in.
// The model reads the first part (names, kind, flags, factory, properties);
// the rendering, building and export layers read the slots they own. A slot
// left empty is taken from the base class; for the built-in classes the
// rendering and building layers supply their own painters and build
// behaviours by kind code, so the slots of those stay empty.
//
// Classes are process-wide constants: every object names its class
// (TfrView::objectClass()), and the engine's add-in registry keeps pointers
// to add-in classes, which therefore must outlive every engine.
//
// An add-in class plugs in with: its class name and base name, the factory,
// the property table, the painter, optionally a build behaviour (stretching,
// preparing its prepared-page record, hearing of printed objects), its export
// kind and, for classes holding a picture, that picture.
struct TfrObjectClass {
    enum Flag : std::uint32_t {
        OnePerPage = 1,    // the designer puts at most one object of the class on a page
        DialogControl = 2, // a control of dialog pages
    };

    QString className;           // stored with add-in objects ("TfrMemoView" ...)
    QString baseName;            // prefix of unique names ("Memo" ...)
    std::uint8_t kind = gtAddIn; // object type code of its objects
    std::uint32_t flags = 0;
    const TfrObjectClass* base = nullptr;
    // Creates an object of the class (without an ObjectId: TfrEngine::createObject gives one).
    std::function<std::unique_ptr<TfrView>()> create;
    const TfrPropTable& (*properties)() = nullptr;
    // Draws an object of the class.
    std::function<void(const TfrView&, TfrDrawContext&)> paint;
    // How its objects take part in a build.
    std::shared_ptr<const TfrObjectBuilder> builder;
    TfrExportKind exportKind = TfrExportKind::Picture;
    // The picture an object of the class holds, which exports taking pictures
    // write as it is; null: they write a drawing of the object.
    const TfrPicture* (*heldPicture)(const TfrView&) = nullptr;
    // Named values the class gives expressions (the names of its kinds and
    // styles): put into the engine's constant table when one of its objects
    // is created.
    std::vector<std::pair<QString, std::int32_t>> constants;

    bool has(Flag flag) const { return (flags & flag) != 0; }
    // Whether the class is `other` or derives from it.
    bool isA(const TfrObjectClass& other) const {
        for (const TfrObjectClass* c = this; c; c = c->base)
            if (c == &other)
                return true;
        return false;
    }
    // The built-in class this one is or derives from (kind 0-4), or null.
    const TfrObjectClass* builtIn() const {
        for (const TfrObjectClass* c = this; c; c = c->base)
            if (c->kind != gtAddIn)
                return c;
        return nullptr;
    }
};
