import QtQuick
import Tovi.Window as Tovi

// For the contrast check of the end-to-end tests (on the trace; in trace builds only): every
// text and button on screen as "ROLE X Y W H NAME SHOWN" in the window's device pixels, cut to
// what is not clipped. A text's role is its colour's (body: primary, secondary, state: a state
// colour's text shade); a button's is "button", its text on its own face. SHOWN is "whole", or
// "cut" for a text the window elided.
Item {
    id: walker
    visible: false

    // By type: the window this walk was loaded into is the application's.
    readonly property Tovi.ToviWindow window: Window.window as Tovi.ToviWindow
    Connections {
        target: walker.window
        function onTextsWanted() { walker.window.reportTexts(walker.texts()) }
    }

    function texts() {
        const window = walker.window
        const lines = []
        if (!window)
            return lines
        const ratio = Screen.devicePixelRatio
        const walk = (item, clip) => {
            if (!item.visible || item.opacity < 1)
                return
            const box = item.mapToItem(null, 0, 0, item.width, item.height)
            const x0 = Math.max(box.x, clip.x0), y0 = Math.max(box.y, clip.y0)
            const x1 = Math.min(box.x + box.width, clip.x1), y1 = Math.min(box.y + box.height, clip.y1)
            const button = typeof item.checkable === "boolean" && typeof item.text === "string" && item.text.length > 0
            // By name: colours with an alpha can differ in their last bits and still be one colour.
            const color = item instanceof Text && item.text.length > 0 ? String(item.color) : ""
            // Symbols keep the state colours as they are; only texts take the deeper shade.
            const symbol = item instanceof Text && item.font.family === Style.symbolFamily
            const role = button ? "button"
                       : color === String(Style.primary) || color === String(Style.accent) ? "body"
                       : color === String(Style.secondary) ? "secondary"
                       : !symbol && [Style.greenText, Style.redText, Style.amberText].some(c => color === String(c)) ? "state"
                       : ""
            // A button's face, inside its rounded corners.
            const inset = button ? 3 : 0
            if (role && x1 - x0 >= 4 + 2 * inset && y1 - y0 >= 4 + 2 * inset)
                lines.push([role, Math.round((x0 + inset) * ratio), Math.round((y0 + inset) * ratio),
                            Math.round((x1 - x0 - 2 * inset) * ratio), Math.round((y1 - y0 - 2 * inset) * ratio),
                            item.text.replace(/\W+/g, "_").slice(0, 24), item.truncated === true ? "cut" : "whole"].join(" "))
            if (button)
                return
            const inner = item.clip ? {x0: x0, y0: y0, x1: x1, y1: y1} : clip
            for (let i = 0; i < item.children.length; ++i)
                walk(item.children[i], inner)
        }
        walk(window.contentItem, {x0: 0, y0: 0, x1: window.width, y1: window.height})
        return lines
    }
}
