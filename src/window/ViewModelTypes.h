#pragma once

#include "ui/BodyViewModel.h"
#include "ui/ColorScheme.h"
#include "ui/FooterViewModel.h"
#include "ui/HeaderViewModel.h"
#include "ui/MenuViewModel.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesViewModel.h"

#include <QtQml/qqml.h>

// The view models as the window's QML knows them: typed, so that the QML compiler and qmllint
// check every binding against the C++ side when the module is built. The application makes
// them; QML only receives them. They are declared here, in the window module, so that the
// layer they live in and the tray that links it need no Qt QML (the registration runs when the
// module is loaded, against the application's own meta-objects).
namespace tovi::window {

struct MenuViewModelForeign {
    Q_GADGET
    QML_FOREIGN(tovi::MenuViewModel)
    QML_NAMED_ELEMENT(MenuViewModel)
    QML_UNCREATABLE("Made by the application")
};

struct HeaderViewModelForeign {
    Q_GADGET
    QML_FOREIGN(tovi::HeaderViewModel)
    QML_NAMED_ELEMENT(HeaderViewModel)
    QML_UNCREATABLE("Made by the application")
};

struct BodyViewModelForeign {
    Q_GADGET
    QML_FOREIGN(tovi::BodyViewModel)
    QML_NAMED_ELEMENT(BodyViewModel)
    QML_UNCREATABLE("Made by the application")
};

struct SpacesViewModelForeign {
    Q_GADGET
    QML_FOREIGN(tovi::SpacesViewModel)
    QML_NAMED_ELEMENT(SpacesViewModel)
    QML_UNCREATABLE("Made by the application")
};

struct SpacesListModelForeign {
    Q_GADGET
    QML_FOREIGN(tovi::SpacesListModel)
    QML_NAMED_ELEMENT(SpacesListModel)
    QML_UNCREATABLE("Made by the application")
};

struct FooterViewModelForeign {
    Q_GADGET
    QML_FOREIGN(tovi::FooterViewModel)
    QML_NAMED_ELEMENT(FooterViewModel)
    QML_UNCREATABLE("Made by the application")
};

struct ColorSchemeForeign {
    Q_GADGET
    QML_FOREIGN(tovi::ColorScheme)
    QML_NAMED_ELEMENT(ColorScheme)
    QML_UNCREATABLE("Made by the application")
};

} // namespace tovi::window
