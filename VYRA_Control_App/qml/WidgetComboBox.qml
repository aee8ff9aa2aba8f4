import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Controls.Material.impl 2.12
import QtQuick.Templates 2.12 as T
import "."

// A ComboBox whose list entries are plain text: the entries (unit names, Wi-Fi
// networks, interfaces) come from the unit, and the style's own delegate would
// render markup in them.
ComboBox {
    id: control

    // The style's text field, named: a screen reader reaches it inside the box and would read nothing.
    contentItem: T.TextField {
        padding: 6
        leftPadding: control.editable ? 2 : control.mirrored ? 0 : 12
        rightPadding: control.editable ? 2 : control.mirrored ? 12 : 0

        text: control.editable ? control.editText : control.displayText

        enabled: control.editable
        autoScroll: control.editable
        readOnly: control.down
        inputMethodHints: control.inputMethodHints
        validator: control.validator
        selectByMouse: control.selectTextByMouse

        font: control.font
        color: control.enabled ? control.Material.foreground : control.Material.hintTextColor
        selectionColor: control.Material.accentColor
        selectedTextColor: control.Material.primaryHighlightedTextColor
        verticalAlignment: Text.AlignVCenter

        cursorDelegate: CursorDelegate { }
        Accessible.name: control.Accessible.name
    }

    delegate: MenuItem {
        id: entry
        // Shown in one popup at a time: the entry's name is unique among the visible items.
        objectName: "comboBoxEntry" + index
        width: ListView.view.width
        text: control.textRole ? (Array.isArray(control.model) ? modelData[control.textRole] : model[control.textRole])
                               : modelData
        Material.foreground: control.currentIndex === index ? ListView.view.contentItem.Material.accent
                                                            : ListView.view.contentItem.Material.foreground
        highlighted: control.highlightedIndex === index
        hoverEnabled: control.hoverEnabled
        contentItem: Text {
            text: entry.text
            textFormat: Text.PlainText
            font: entry.font
            color: entry.enabled ? entry.Material.foreground : entry.Material.hintTextColor
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
    }
}
