// Class names and the show/hide boxes of the component selection pages.

function hasClass(element, className) {
    var names = (element.className || '').split(' ');
    for (var i = 0; i < names.length; i++) {
        if (names[i] == className) return true;
    }
    return false;
}

function addClass(element, className) {
    if (hasClass(element, className)) return;
    element.className = element.className ? element.className + ' ' + className : className;
}

function removeClass(element, className) {
    var names = (element.className || '').split(' ');
    var kept = [];
    for (var i = 0; i < names.length; i++) {
        if (names[i] != '' && names[i] != className) kept.push(names[i]);
    }
    element.className = kept.join(' ');
}

// The element itself or its nearest ancestor of class "sh-box"; null when there is none.
function findParentBox(element) {
    while (element && element.nodeType == 1) {
        if (hasClass(element, 'sh-box')) return element;
        element = element.parentNode;
    }
    return null;
}

function switchBox(element) {
    var box = findParentBox(element);
    if (!box) return;
    if (hasClass(box, 'show')) {
        removeClass(box, 'show');
        addClass(box, 'hide');
    } else if (hasClass(box, 'hide')) {
        removeClass(box, 'hide');
        addClass(box, 'show');
    }
}
