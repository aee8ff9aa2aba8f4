import QtQuick 2.12
import QtTest 1.12
import QtQuick.Controls.Material 2.12
import "qrc:/"

TestCase {
    name: "Style"

    function test_thresholds_data() {
        return [
            { tag: "0", width: 0, name: "xs" },
            { tag: "767", width: 767, name: "xs" },
            { tag: "768", width: 768, name: "sm" },
            { tag: "991", width: 991, name: "sm" },
            { tag: "992", width: 992, name: "md" },
            { tag: "1199", width: 1199, name: "md" },
            { tag: "1200", width: 1200, name: "lg" },
            { tag: "4000", width: 4000, name: "lg" }
        ]
    }
    function test_thresholds(data) {
        compare(Style.getWindowSizeName(data.width), data.name)
    }

    function test_windowSizeFitsIn() {
        verify(Style.windowSizeFitsIn(767, "xs"))
        verify(!Style.windowSizeFitsIn(768, "xs"))
        verify(Style.windowSizeFitsIn(768, "sm"))
        verify(!Style.windowSizeFitsIn(1200, "md"))
        verify(Style.windowSizeFitsIn(1200, "lg"))
        // A name outside the list fits every width.
        verify(Style.windowSizeFitsIn(100, "xl"))
        verify(Style.windowSizeFitsIn(5000, "xl"))
    }

    function test_colSpan() {
        compare(Style.colSpan(500, {}), 12)
        compare(Style.colSpan(1500, {}), 12)
        compare(Style.colSpan(500, { "xs": 6 }), 6)
        compare(Style.colSpan(800, { "xs": 6 }), 12)
        compare(Style.colSpan(1000, { "sm": 12, "md": 6, "lg": 6 }), 6)
        compare(Style.colSpan(700, { "sm": 12, "md": 6, "lg": 6 }), 12)
        // Only own properties count: an inherited name must not be taken for a size.
        var proto = { "xs": 3 }
        var derived = Object.create(proto)
        compare(Style.colSpan(500, derived), 12)
    }

    function test_columnSizeWithSpacing() {
        compare(Style._calcColumnSizeWithSpacing(1010, 6, 10), 490)
        compare(Style._calcColumnSizeWithSpacing(1010, 12, 10), 990)
    }

    function test_map() {
        compare(Style.map(0.5, 0, 1, -200, 200), 0)
        compare(Style.map(0.25, 0, 1, 0, 1000), 250)
    }

    function test_statusColor_data() {
        return [
            { tag: "green", name: "greenStatus", color: Material.color(Material.Green) },
            { tag: "red", name: "redStatus", color: Material.color(Material.Red) },
            { tag: "yellow", name: "yellowStatus", color: Material.color(Material.Yellow) },
            { tag: "blank", name: "blankStatus", color: Material.color(Material.Grey) },
            { tag: "empty", name: "", color: Material.color(Material.Grey) },
            { tag: "unknown", name: "purpleStatus", color: Material.color(Material.Grey) },
            { tag: "undefined", name: undefined, color: Material.color(Material.Grey) }
        ]
    }
    function test_statusColor(data) {
        verify(Qt.colorEqual(Style.statusColor(data.name), data.color))
    }

    function test_fontFamily() {
        // The tests run under C.UTF-8.
        compare(Style.font_FAMILY, "Roboto")
    }
}
