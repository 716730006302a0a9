#include "FileIO/FramePlugins.h"

ICustomHeader::~ICustomHeader() = default;

IDataHolder::~IDataHolder() = default;
