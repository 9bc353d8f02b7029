#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

class TfrEngine;
class TfrView;

// One object as the designer keeps it apart from a page (the internal
// clipboard, undo entries): its kind code, for add-in objects its class name,
// then its template record (format version 25, design mode).
namespace frdesign {

// The largest record read back.
inline constexpr qsizetype maxRecordSize = qsizetype(64) << 20;

// The record of an object; throws Exception for objects the template format
// cannot hold.
QByteArray objectRecord(const TfrView& view);

// Whether an object's record is `record` (false for an object the format
// cannot hold any more).
bool sameRecord(const TfrView& view, const QByteArray& record);

// A new object made from a record (it takes the next ObjectId). Throws
// EFormatError for a record that is damaged, larger than maxRecordSize, of an
// unknown kind or not read to its end, and EClassNotFound for add-in classes
// no registered class provides.
std::unique_ptr<TfrView> readObjectRecord(TfrEngine& engine, QByteArrayView record);

} // namespace frdesign
