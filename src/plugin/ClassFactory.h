#pragma once
// The in-process server's entry points, independent of how the module exports
// them: the class factory of the one co-class and the unload rule.
#include <functional>
#include <memory>

#include "base/com/Com.h"
#include "plugin/FormFactory.h"

namespace velmora {

// Makes the front end (toolkit and forms) of each new plug-in object.
using FrontEndProvider = std::function<std::unique_ptr<FrontEnd>()>;

// DllGetClassObject: a class factory for VelmoraCoClass; CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object, FrontEndProvider provider);
// DllCanUnloadNow: S_OK when no object of the module lives and no lock is held, else S_FALSE.
HRESULT CanUnloadNow();

}  // namespace velmora
