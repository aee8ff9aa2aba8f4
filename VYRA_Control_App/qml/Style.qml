pragma Singleton
import QtQuick 2.12
import QtQuick.Window 2.12
import QtQuick.Controls.Material 2.12

// Shared look and the responsive-grid helpers used by every page.
QtObject {
    // "Noto Sans" alone resolves to a Latin-only family on many systems; the CJK
    // variant carries the Chinese glyphs. Qt.uiLanguage is the language of the catalogue
    // in use: the system's languages may pick Chinese while the locale's name is "C".
    property var font_FAMILY: Qt.uiLanguage.indexOf("zh") === 0 ? "Noto Sans CJK SC" : "Roboto"
    readonly property real title_FONT_PIXEL_SIZE: 18
    readonly property real title_TAB_PIXEL_SIZE: 16
    readonly property int title_FONT_WEIGHT: Font.Bold
    readonly property int text_SIZE_STARTUP_DIALOG: 16
    readonly property int page_MARGIN: 0
    readonly property color tavik_ORANGE: "#ff8900"
    readonly property color material_ACCENT: Material.color(Material.Orange)
    readonly property color material_PRIMARY: Material.color(Material.DeepOrange)
    readonly property color title_COLOR: Material.color(Material.Orange)
    readonly property color text_ERROR: Material.color(Material.Red)
    readonly property color text_WHITE: "#ffffff"
    readonly property string unicode_MEDIUM_BLACK_CIRCLE: "\u26AB"
    readonly property string unicode_BLACK_DOWN_POINTING_TRIANGLE: "\u25BC"
    readonly property string unicode_BLACK_RIGHT_POINTING_TRIANGLE: "\u25B6"
    readonly property string unicode_BLACK_LOWER_RIGHT_TRIANGLE: "\u25E2"
    readonly property color color_ACTIVE: "#ffffff"
    readonly property color color_INACTIVE: Material.color(Material.Grey)
    readonly property color color_INTERACTIVE_HYPERTEXT: Material.color(Material.Orange)
    readonly property bool areatester_VISIBLE: false
    readonly property int flow_SPACING: 10
    readonly property int flickable_LEFT_MARGIN: 10
    readonly property int flickable_RIGHT_MARGIN: 10
    readonly property int flickable_TOP_MARGIN: 10
    readonly property int flickable_BOTTOM_MARGIN: 10
    readonly property real hidden_LEFT_MARGIN: 10
    readonly property int hidden_TOP_MARGIN: 15
    readonly property int table_PADDING: 2
    readonly property int mcls_PADDING: 16
    // The keyboard focus ring: bright enough to see on the dark theme's greys.
    readonly property color focus_RING_COLOR: Material.color(Material.Orange, Material.ShadeA200)
    readonly property int focus_RING_WIDTH: 2

    readonly property var _sizeNames: ["xs", "sm", "md", "lg"]

    function _thresholdIndex(windowWidth) {
        if (windowWidth < 768)
            return 0
        if (windowWidth < 992)
            return 1
        if (windowWidth < 1200)
            return 2
        return 3
    }

    function getWindowSizeName(windowWidth) {
        return _sizeNames[_thresholdIndex(windowWidth)]
    }

    function windowSizeFitsIn(windowWidth, sizeName) {
        var limit = _sizeNames.indexOf(sizeName)
        if (limit < 0)
            return true
        return _thresholdIndex(windowWidth) <= limit
    }

    function windowFitsIn(obj, sizeName) {
        return windowSizeFitsIn(getWindowWidth(obj), sizeName)
    }

    // Zero until the item sits in a window (during construction), not a TypeError.
    function getWindowWidth(obj) {
        return obj.Window.window ? obj.Window.window.width : 0
    }

    function getParentWidth(obj) {
        return obj.parent ? obj.parent.width : 0
    }

    function colSpan(windowWidth, colSizes) {
        var name = getWindowSizeName(windowWidth)
        if (colSizes && Object.prototype.hasOwnProperty.call(colSizes, name))
            return colSizes[name]
        return 12
    }

    function columnSize(object, colSizes) {
        return colSpan(getWindowWidth(object), colSizes) * getParentWidth(object) / 12
    }

    function _calcColumnSizeWithSpacing(parentWidth, columnSpan, spacing) {
        return (parentWidth - spacing) * columnSpan / 12 - spacing
    }

    function columnSizeWithSpacing(object, colSizes, spacing) {
        return columnSizeWithSpacingIn(getParentWidth(object), getWindowWidth(object), colSizes, spacing)
    }

    // The same for a child of a parent `parentWidth` wide, in a window `windowWidth` wide: for many
    // alike children, which then need not each ask their window.
    function columnSizeWithSpacingIn(parentWidth, windowWidth, colSizes, spacing) {
        return _calcColumnSizeWithSpacing(parentWidth, colSpan(windowWidth, colSizes), spacing)
    }

    function map(value, istart, istop, ostart, ostop) {
        return ostart + (ostop - ostart) * ((value - istart) / (istop - istart))
    }

    function statusColor(statusColor) {
        switch (statusColor) {
        case "greenStatus":
            return Material.color(Material.Green)
        case "redStatus":
            return Material.color(Material.Red)
        case "yellowStatus":
            return Material.color(Material.Yellow)
        default:
            return Material.color(Material.Grey)
        }
    }

    // What a status dot's colour says, in words: the dot is colour alone.
    function statusMeaning(statusColor) {
        switch (statusColor) {
        case "greenStatus":
            return qsTr("OK")
        case "redStatus":
            return qsTr("Error")
        case "yellowStatus":
            return qsTr("Waiting")
        default:
            return qsTr("Inactive")
        }
    }

    // A status line as a screen reader announces it: its text with the meaning of its dot.
    function statusLineName(text, statusColor) {
        return qsTr("%1 (%2)").arg(text).arg(statusMeaning(statusColor))
    }

    function isInside(item, ancestor) {
        for (var p = item; p; p = p.parent) {
            if (p === ancestor)
                return true
        }
        return false
    }

    // Whether Tab stops at `item` (a text field's inner editor counts as its field): after a step
    // hides the control that had the focus, the focus sits on a container instead.
    function isControl(item) {
        return item !== null && item !== undefined && item.visible
                && (item.activeFocusOnTab || (item.parent !== null && item.parent.activeFocusOnTab === true))
    }

    // Gives `item` the keyboard focus with the ring round it, as Tab would. An item that has the focus
    // already (Qt hands it back to a field whose page shows again) keeps the reason it had: set it.
    function showFocus(item) {
        item.forceActiveFocus(Qt.TabFocusReason)
        if (item.focusReason !== undefined)
            item.focusReason = Qt.TabFocusReason
    }

    function scrollsVertically(item) {
        return item.contentItem !== undefined && item.contentY !== undefined && item.flickableDirection !== undefined
                && item.flickableDirection !== Flickable.HorizontalFlick
    }

    // The nearest flickable above `item` that scrolls up and down, or null.
    function enclosingFlickable(item) {
        for (var p = item ? item.parent : null; p; p = p.parent) {
            if (scrollsVertically(p))
                return p
        }
        return null
    }

    // Scrolls every flickable that holds `item` so that the item shows: keyboard focus
    // moving below the fold would otherwise be invisible.
    function scrollIntoView(item) {
        if (!item)
            return
        var margin = 10
        for (var p = item.parent; p; p = p.parent) {
            if (!scrollsVertically(p))
                continue
            var top = item.mapToItem(p.contentItem, 0, 0).y
            var bottom = top + item.height
            var y = p.contentY
            if (bottom + margin > y + p.height)
                y = bottom + margin - p.height
            if (top - margin < y)
                y = top - margin
            var first = p.originY - p.topMargin
            y = Math.max(first, Math.min(y, p.originY + p.contentHeight + p.bottomMargin - p.height))
            if (y !== p.contentY)
                p.contentY = y
        }
    }
}
