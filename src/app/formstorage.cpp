#include "app/formstorage.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "common/numformat.h"
#include "common/registry.h"

#include <QRegularExpression>

namespace {

const QString ValFormVersion = QStringLiteral("FormVersion");
const QString ValFlags = QStringLiteral("Flags");
const QString ValShowCmd = QStringLiteral("ShowCmd");
const QString ValPixelsPerInch = QStringLiteral("PixelsPerInch");
const QString ValMinMaxPos = QStringLiteral("MinMaxPos");
const QString ValNormPos = QStringLiteral("NormPos");
const QString ValVisible = QStringLiteral("Visible");

constexpr int ShowCmdMinimized = 2;

QString fourNumbers(int a, int b, int c, int d) { return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d); }

} // namespace

TFormStorage::TFormStorage(TPlacementTarget& target, QString baseKey, QString windowClass)
    : m_target(target), m_baseKey(std::move(baseKey)), m_section(std::move(windowClass)) {}

void TFormStorage::addStoredProperty(const QString& control, const QString& property, std::function<QString()> get,
                                     std::function<void(const QString&)> set) {
    m_properties.push_back({control + u'_' + property, std::move(get), std::move(set)});
}

void TFormStorage::linkSection(TStoredSection* component, const QString& componentName) {
    m_linked.push_back({component, QStringLiteral("%1.%2").arg(m_section, componentName)});
}

QString TFormStorage::resolutionSuffix(QSize screen) {
    return QStringLiteral("(%1x%2)").arg(screen.width()).arg(screen.height());
}

std::vector<int> TFormStorage::parseNumbers(const QString& text, const std::vector<int>& defaults) {
    static const QRegularExpression separators(QStringLiteral("[ ,]+"));
    const QStringList words = text.split(separators, Qt::SkipEmptyParts);
    std::vector<int> result = defaults;
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (i < static_cast<std::size_t>(words.size())) {
            const auto value = numfmt::parseInt(words[static_cast<qsizetype>(i)]);
            result[i] = value.value_or(defaults[i]);
        }
    }
    return result;
}

std::optional<TWindowState> TFormStorage::stateOfShowCmd(int showCmd) {
    switch (showCmd) {
    case 1:
    case 5:
    case 9:
        return TWindowState::Normal;
    case 2:
    case 6:
    case 7:
        return TWindowState::Minimized;
    case 3:
        return TWindowState::Maximized;
    default:
        return std::nullopt;
    }
}

void TFormStorage::guarded(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const Exception& e) {
        if (m_errorHandler)
            m_errorHandler(e.message());
        else
            TUserInteraction::current().showError(e.message());
    } catch (const std::exception& e) {
        const QString text = QString::fromLocal8Bit(e.what());
        if (m_errorHandler)
            m_errorHandler(text);
        else
            TUserInteraction::current().showError(text);
    }
}

void TFormStorage::SaveFormPlacement(bool duringDestroy) {
    if (m_active && !m_restored)
        return;
    TRegistry registry(m_baseKey);
    registry.writeInteger(m_section, ValFormVersion, LayoutVersion);
    writePlacement(registry, duringDestroy);
    for (const LinkedSection& linked : m_linked)
        linked.component->writeSection(registry, linked.section);
    for (const StoredProperty& property : m_properties)
        registry.writeString(m_section, property.name, property.get().trimmed());
    registry.flush();
    m_saved = true;
}

void TFormStorage::writePlacement(TRegistry& registry, bool duringDestroy) {
    const TWindowPlacement p = m_target.placement();
    int showCmd = p.showCmd;
    if (m_target.isMainWindow() && m_target.isApplicationMinimized())
        showCmd = ShowCmdMinimized;
    const QString suffix = resolutionSuffix(m_target.screenSize());
    const QString minMax = fourNumbers(p.minPosition.x(), p.minPosition.y(), p.maxPosition.x(), p.maxPosition.y());
    const QString norm = fourNumbers(p.left, p.top, p.right, p.bottom);

    registry.writeInteger(m_section, ValFlags, p.flags);
    registry.writeInteger(m_section, ValShowCmd, showCmd);
    registry.writeInteger(m_section, ValPixelsPerInch, m_target.pixelsPerInch());
    registry.writeString(m_section, ValMinMaxPos + suffix, minMax);
    registry.writeString(m_section, ValMinMaxPos, minMax);
    registry.writeString(m_section, ValNormPos + suffix, norm);
    registry.writeString(m_section, ValNormPos, norm);
    registry.writeBool(m_section, ValVisible, duringDestroy);
}

void TFormStorage::RestoreFormPlacement() {
    m_saved = false;
    const TRegistry registry(m_baseKey);
    const int version = registry.readInteger(m_section, ValFormVersion, 0);
    if (version >= LayoutVersion) {
        readPlacement(registry);
        for (const LinkedSection& linked : m_linked)
            linked.component->readSection(registry, linked.section);
        for (const StoredProperty& property : m_properties) {
            const QString value = registry.readString(m_section, property.name, property.get());
            property.set(value.trimmed());
        }
    }
    m_restored = true;
    m_target.adjustToConstraints();
}

void TFormStorage::readPlacement(const TRegistry& registry) {
    TWindowPlacement p = m_target.placement();
    if (!m_target.isVisible())
        p.showCmd = 0;
    p.flags = registry.readInteger(m_section, ValFlags, p.flags);

    const QString suffix = resolutionSuffix(m_target.screenSize());
    auto positionValue = [&](const QString& name) {
        QString text = registry.readString(m_section, name + suffix);
        if (text.isEmpty())
            text = registry.readString(m_section, name);
        return text;
    };

    bool found = false;
    const QString minMax = positionValue(ValMinMaxPos);
    if (!minMax.isEmpty()) {
        const std::vector<int> n = parseNumbers(minMax, {0, 0, 0, 0});
        p.minPosition = QPoint(n[0], n[1]);
        p.maxPosition = QPoint(n[2], n[3]);
        found = true;
    }
    const QString norm = positionValue(ValNormPos);
    if (!norm.isEmpty()) {
        const TWindowPlacement now = m_target.placement();
        const std::vector<int> n = parseNumbers(norm, {now.left, now.top, now.left + now.width(), now.top + now.height()});
        p.left = n[0];
        p.top = n[1];
        p.right = n[2];
        p.bottom = n[3];
        found = true;
    }

    // A position stored at another screen density would put the window at a
    // different size and place than it had; the designed one is kept instead.
    const int currentDpi = m_target.pixelsPerInch();
    if (registry.readInteger(m_section, ValPixelsPerInch, currentDpi) != currentDpi)
        found = false;

    if (found) {
        if (m_target.hasFixedBorder()) {
            const TWindowPlacement now = m_target.placement();
            p.right = p.left + now.width();
            p.bottom = p.top + now.height();
        }
        if (p.left < p.right) {
            if (m_target.centresItself())
                m_target.useGivenPosition();
            m_target.applyPlacement(p);
        }
    }

    TWindowState state = TWindowState::Normal;
    if (m_target.isMainWindow() && m_target.isPositionedBySystem())
        state = TWindowState::Maximized;
    if (const auto stored = stateOfShowCmd(registry.readInteger(m_section, ValShowCmd, 0)))
        state = *stored;
    if (state == TWindowState::Minimized && m_target.isMainWindow()) {
        m_target.applyState(TWindowState::Normal);
        m_target.minimizeApplication();
    } else {
        m_target.applyState(state);
    }
}

void TFormStorage::windowShown() {
    if (m_active)
        guarded([this] { RestoreFormPlacement(); });
}

void TFormStorage::closeQuery(bool closeAllowed, bool hasHandle) {
    if (closeAllowed && m_active && hasHandle)
        guarded([this] { SaveFormPlacement(false); });
}

void TFormStorage::windowDestroyed() {
    if (m_active && !m_saved)
        guarded([this] { SaveFormPlacement(true); });
}
