#include "VnCompNode.h"

VnCompNode::~VnCompNode() = default;
