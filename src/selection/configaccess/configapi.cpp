#include "selection/configaccess/configapi.h"

#include "common/exception.h"

#include <QLibrary>

namespace {

const char16_t* const kCannotLoad = u"Не удалось загрузить библиотеку доступа к конфигурации «%1»: %2";
const char16_t* const kNoFunction = u"В библиотеке доступа к конфигурации «%1» нет функции %2";

// A function of the library: the plain name, or on 32-bit Windows the name as
// the stdcall convention decorates it.
template <typename F>
F resolve(QLibrary& lib, const char* name, int argumentBytes) {
    QFunctionPointer f = lib.resolve(name);
    if (f == nullptr)
        f = lib.resolve(QByteArray("_") + name + '@' + QByteArray::number(argumentBytes));
    if (f == nullptr)
        throw Exception(QString::fromUtf16(kNoFunction).arg(lib.fileName(), QString::fromLatin1(name)));
    return reinterpret_cast<F>(f);
}

THalvexApi loadLibrary(const QString& path) {
    // A loaded library stays in memory after its QLibrary object is gone,
    // until the run ends.
    QLibrary lib(path);
    if (!lib.load())
        throw Exception(QString::fromUtf16(kCannotLoad).arg(path, lib.errorString()));
    try {
        return THalvexApi{
            resolve<decltype(&hvsSetUser)>(lib, "hvsSetUser", 8),
            resolve<decltype(&hvsConfFileOpen)>(lib, "hvsConfFileOpen", 28),
            resolve<decltype(&hvtNodeEnum)>(lib, "hvtNodeEnum", 8),
            resolve<decltype(&hvtNodeGetName)>(lib, "hvtNodeGetName", 12),
            resolve<decltype(&hvtNPropGetText)>(lib, "hvtNPropGetText", 16),
        };
    } catch (...) {
        lib.unload();
        throw;
    }
}

} // namespace

const THalvexApi& THalvexApi::local() {
    static const THalvexApi api{&hvsSetUser, &hvsConfFileOpen, &hvtNodeEnum, &hvtNodeGetName, &hvtNPropGetText};
    return api;
}

const THalvexApi& THalvexApi::instance() {
    // A failed load throws out of the initialisation, so the next call tries again.
    static const THalvexApi api = [] {
        const QString path = qEnvironmentVariable("OSTRAND_CONFIG_LIBRARY");
        return path.isEmpty() ? local() : loadLibrary(path);
    }();
    return api;
}
