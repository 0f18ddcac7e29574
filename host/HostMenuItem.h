#pragma once
// A menu item or tool-bar control of the IDE stand-in: the plug-ins find,
// create, move and click them through IYantMenuItem.
#include <cstdint>
#include <string>
#include <vector>

#include "base/com/ComPtr.h"
#include "base/com/HostInterfaces.h"

namespace velmora::host {

class HostIde;

class HostMenuItem final : public IYantMenuItem {
public:
    HostMenuItem(HostIde& ide, std::string itemName) : name(std::move(itemName)), ide_(ide) {}

    HRESULT VELMORA_COM_CALL QueryInterface(REFIID iid, void** object) override;
    ULONG VELMORA_COM_CALL AddRef() override;
    ULONG VELMORA_COM_CALL Release() override;
    HRESULT VELMORA_COM_CALL GetName(char** name) override;
    HRESULT VELMORA_COM_CALL SetName(const char* name) override;
    HRESULT VELMORA_COM_CALL GetCaption(char** caption) override;
    HRESULT VELMORA_COM_CALL SetCaption(const char* caption) override;
    HRESULT VELMORA_COM_CALL GetEnabled(VARIANT_BOOL* enabled) override;
    HRESULT VELMORA_COM_CALL SetEnabled(VARIANT_BOOL enabled) override;
    HRESULT VELMORA_COM_CALL GetVisible(VARIANT_BOOL* visible) override;
    HRESULT VELMORA_COM_CALL SetVisible(VARIANT_BOOL visible) override;
    HRESULT VELMORA_COM_CALL GetParent(IYantMenuItem** parent) override;
    HRESULT VELMORA_COM_CALL GetCount(std::int32_t* count) override;
    HRESULT VELMORA_COM_CALL GetItem(std::int32_t index, IYantMenuItem** item) override;
    HRESULT VELMORA_COM_CALL Insert(std::int32_t position, IYantMenuItem* item) override;
    HRESULT VELMORA_COM_CALL Remove(IYantMenuItem* item) override;
    HRESULT VELMORA_COM_CALL SetClickHandler(IYantClickHandler* handler) override;

    // A click on the item (the GUI's menu, or a test).
    bool click();

    std::string name, caption;
    bool enabled = true, visible = true;
    std::int32_t actionId = -1;  // an action's menu item or tool-bar control
    HostMenuItem* parent = nullptr;
    std::vector<HostMenuItem*> children;
    com::ComPtr<IYantClickHandler> handler;

private:
    HostIde& ide_;
};

}  // namespace velmora::host
