#pragma once
// A property page: a widget that edits the properties of the objects it is
// given, applied on the host's request. Page classes are created through
// their class factory like controls.
//
//   auto page = QueryInterface<IPropertyPage>(CreateInstance(store, pageClsid));
//   page->SetObjects({control});
//   QWidget* w = page->Activate(frame);
//   ... if (page->IsDirty()) page->Apply();

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "automation/object.h"

namespace vantry::automation {

class IPropertyPage : public virtual Object {
public:
    // Tab title and one-line description.
    virtual std::u16string Title() const = 0;
    virtual std::u16string Description() const { return {}; }
    // The objects whose properties the page edits.
    virtual void SetObjects(std::vector<ObjectPtr> objects) = 0;
    // Called whenever the page becomes dirty or clean, so a frame can
    // enable its Apply button.
    virtual void SetStatusCallback(std::function<void()> onStatusChange) = 0;
    // Creates the page's widget in parent (once) and returns it.
    virtual QWidget* Activate(QWidget* parent) = 0;
    // Destroys the widget; unapplied changes are dropped.
    virtual void Deactivate() = 0;
    virtual bool IsDirty() const = 0;
    // Writes the page's values to the objects and clears the dirty mark;
    // false when an object refused a value (the page stays dirty).
    virtual bool Apply() = 0;
};

}  // namespace vantry::automation
