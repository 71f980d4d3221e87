// Filing an object read from its NameObject row, shared by the start-up load and the change
// feed.
#pragma once

#include <cstdint>
#include <memory>

class CNameObject;

// Raises the local ID counter past an object of this server and files the object in the store
// when its class accepts it (OnLoad). Returns whether it was filed.
bool FileLoadedObject(const std::shared_ptr<CNameObject>& object, std::int32_t version,
                      std::uint32_t currentServerNO);
