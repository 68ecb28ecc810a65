// A check box that shows or hides the block depending on it.

function doOnOff(ctl, slave) {
    var element = document.getElementById(slave);
    if (element) element.style.display = ctl.checked ? 'block' : 'none';
}

function doRevOnOff(ctl, slave) {
    var element = document.getElementById(slave);
    if (element) element.style.display = ctl.checked ? 'none' : 'block';
}
