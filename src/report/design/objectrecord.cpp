#include "report/design/objectrecord.h"

#include "common/binio.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/streamio.h"

namespace frdesign {

QByteArray objectRecord(const TfrView& view) {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    out.writeU8(view.objectType);
    if (view.objectType == gtAddIn)
        frstream::writeString(out, view.className());
    view.saveToStream(out, TfrStreamContext{frCurrentStreamVersion, TfrSaveMode::Design});
    return bytes;
}

bool sameRecord(const TfrView& view, const QByteArray& record) {
    try {
        return objectRecord(view) == record;
    } catch (const Exception&) {
        return false;
    }
}

std::unique_ptr<TfrView> readObjectRecord(TfrEngine& engine, QByteArrayView record) {
    if (record.size() > maxRecordSize)
        throw EFormatError(QStringLiteral("Запись объекта больше %1 байт").arg(maxRecordSize));
    TBinaryReader in(record);
    const std::uint8_t kind = in.readU8();
    if (kind > gtLine && kind != gtAddIn)
        throw EFormatError(QStringLiteral("Неизвестный вид объекта %1").arg(kind));
    const QString className = kind == gtAddIn ? frstream::readString(in, frCurrentStreamVersion) : QString();
    std::unique_ptr<TfrView> view = engine.createObject(kind, className);
    if (!view)
        throw EFormatError(QStringLiteral("Объект класса %1 не может быть создан").arg(className));
    view->loadFromStream(in, TfrStreamContext{frCurrentStreamVersion, TfrSaveMode::Design});
    if (!in.atEnd())
        throw EFormatError(QStringLiteral("Запись объекта %1 длиннее его данных").arg(view->name()));
    view->setName(view->name());
    return view;
}

} // namespace frdesign
