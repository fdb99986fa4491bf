import QtQuick
import QtQuick.Controls

// The window's one kind of text. Names, versions and messages come from the CLI, the service
// and the user: a guessed format would turn their markup into styling, links and image
// fetches, so every text is drawn exactly as it is.
Label {
    textFormat: Text.PlainText
}
