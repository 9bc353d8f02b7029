#pragma once

// The design fixture with the program's data: the selection table DS with the
// columns the demo points settings give it (names, display names and widths)
// and the look-up table DS2, registered with the report dataset frDS over DS
// the way the main window registers them.

#include "designfixture.h"

#include "report/memdata/mainreport.h"
#include "table/memtable.h"

class DemoDesignTest : public DesignTest {
protected:
    DemoDesignTest() {
        struct Column {
            const char* name;
            TFieldType type;
            int width;
            const char16_t* label;
        } const columns[] = {
            {"ObjNo", TFieldType::Integer, 6, u"№ ПС"},
            {"SubName", TFieldType::String, 40, u"Подстанция"},
            {"District", TFieldType::String, 20, u"Район"},
            {"ChanNo", TFieldType::Integer, 9, u"№ канала"},
            {"Protocol", TFieldType::String, 20, u"Протокол"},
            {"PointNo", TFieldType::Integer, 8, u"№ точки"},
            {"PointName", TFieldType::String, 50, u"Точка"},
            {"Kind", TFieldType::String, 4, u"Тип"},
            {"Unit", TFieldType::String, 6, u"Ед. изм."},
            {"Factor", TFieldType::Float, 8, u"Коэфф."},
            {"HiLimit", TFieldType::Float, 8, u"Верхний предел"},
            {"Owner", TFieldType::String, 40, u"Владелец"},
            {"Phone", TFieldType::String, 20, u"Телефон"},
        };
        for (const Column& c : columns)
            ds.addFieldDef(QString::fromLatin1(c.name), c.type, c.type == TFieldType::String ? c.width : 0);
        ds.open();
        for (int i = 0; i < ds.fieldCount(); ++i) {
            ds.field(i).setDisplayWidth(columns[i].width);
            ds.field(i).setDisplayLabel(QString::fromUtf16(columns[i].label));
        }
        ds2.addFieldDef(QStringLiteral("ObjNo"), TFieldType::Integer);
        ds2.addFieldDef(QStringLiteral("Owner"), TFieldType::String, 40);
        ds2.open();
    }

    TMemTable ds{QStringLiteral("DS")}, ds2{QStringLiteral("DS2")};
    // Registers frDS, DS and DS2 with the engine, whose registry the
    // fixture's report uses.
    TfrMainReport main{engine, ds, ds2};
};
